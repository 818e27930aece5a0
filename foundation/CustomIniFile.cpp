#include "CustomIniFile.h"

#include <QLocale>

#include "DateFormat.h"

namespace {

// The user's locale without group separators: values must read back as one number.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

TCustomIniFile::TCustomIniFile(const QString &fileName)
    : FFileName(fileName)
{
}

TCustomIniFile::~TCustomIniFile() = default;

bool TCustomIniFile::StrToIniInteger(const QString &text, int &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && text.at(i) == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    quint64 acc = 0;
    for (; i < n; ++i) {
        const QChar ch = text.at(i);
        int digit;
        if (ch >= u'0' && ch <= u'9')
            digit = ch.unicode() - u'0';
        else if (hex && ch >= u'a' && ch <= u'f')
            digit = ch.unicode() - u'a' + 10;
        else if (hex && ch >= u'A' && ch <= u'F')
            digit = ch.unicode() - u'A' + 10;
        else
            return false;
        acc = acc * (hex ? 16 : 10) + quint64(digit);
        if (acc > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        // Hexadecimal fills the 32 bits: $FFFFFFFF is -1. Negated in unsigned arithmetic, so that
        // -$80000000 stays the most negative value instead of overflowing.
        const auto bits = static_cast<quint32>(acc);
        value = static_cast<qint32>(negative ? 0u - bits : bits);
        return true;
    }
    if (negative ? acc > 2147483648ull : acc > 2147483647ull)
        return false;
    value = negative ? static_cast<int>(-static_cast<qint64>(acc)) : static_cast<int>(acc);
    return true;
}

QString TCustomIniFile::FloatToIniStr(double value)
{
    return numberLocale().toString(value, 'g', QLocale::FloatingPointShortest);
}

bool TCustomIniFile::IniStrToFloat(const QString &text, double &value)
{
    bool ok = false;
    double v = numberLocale().toDouble(text.trimmed(), &ok);
    if (!ok) {
        // Files move between machines: a C-locale number still reads.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        v = c.toDouble(text.trimmed(), &ok);
    }
    if (ok)
        value = v;
    return ok;
}

int TCustomIniFile::ReadInteger(const QString &section, const QString &ident, int def) const
{
    QString text = ReadString(section, ident, QString());
    if (text.size() >= 3 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X'))
        text.replace(0, 2, QStringLiteral("$"));
    int value = 0;
    return StrToIniInteger(text, value) ? value : def;
}

void TCustomIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString &section, const QString &ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

TDateTime TCustomIniFile::ReadDate(const QString &section, const QString &ident, TDateTime def) const
{
    const QString text = ReadString(section, ident, QString());
    TDateTime value = def;
    return !text.isEmpty() && TryStrToDate(text, value) ? value : def;
}

TDateTime TCustomIniFile::ReadDateTime(const QString &section, const QString &ident, TDateTime def) const
{
    const QString text = ReadString(section, ident, QString());
    TDateTime value = def;
    return !text.isEmpty() && TryStrToDateTime(text, value) ? value : def;
}

double TCustomIniFile::ReadFloat(const QString &section, const QString &ident, double def) const
{
    const QString text = ReadString(section, ident, QString());
    double value = def;
    return !text.isEmpty() && IniStrToFloat(text, value) ? value : def;
}

TDateTime TCustomIniFile::ReadTime(const QString &section, const QString &ident, TDateTime def) const
{
    const QString text = ReadString(section, ident, QString());
    TDateTime value = def;
    return !text.isEmpty() && TryStrToTime(text, value) ? value : def;
}

void TCustomIniFile::WriteDate(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, DateToStr(value));
}

void TCustomIniFile::WriteDateTime(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, DateTimeToStr(value));
}

void TCustomIniFile::WriteFloat(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, FloatToIniStr(value));
}

void TCustomIniFile::WriteTime(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, TimeToStr(value));
}

bool TCustomIniFile::ValueExists(const QString &section, const QString &ident) const
{
    QStringList keys;
    ReadSection(section, keys);
    return keys.contains(ident, Qt::CaseInsensitive);
}
