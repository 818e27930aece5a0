#include "Helper.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include "SystemInfo.h"
#include "Version.h"

namespace {

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

// The ASCII digits at [from, from + count) as a number, or -1.
int fixedField(const QString &text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

constexpr int PreReleaseFlag = 2;
constexpr int SpecialBuildFlag = 32;
// The generated version header carries no pre-release or special-build marks.
constexpr int BuildFlags = 0;

} // namespace

QString FormatDateTimeForStorage(TDateTime value)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDateTime(value, year, month, day, hour, minute, second, msec);
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(twoDigits(month), twoDigits(day), twoDigits(hour), twoDigits(minute), twoDigits(second));
}

bool TryStrToDateTimeFromStorage(const QString &text, TDateTime &value)
{
    if (text.size() < 19)
        return false;
    const int year = fixedField(text, 0, 4);
    const int month = fixedField(text, 5, 2);
    const int day = fixedField(text, 8, 2);
    const int hour = fixedField(text, 11, 2);
    const int minute = fixedField(text, 14, 2);
    const int second = fixedField(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return false;
    return TryEncodeDateTime(year, month, day, hour, minute, second, 0, value);
}

TDateTime StrToDateTimeFromStorage(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToDateTimeFromStorage(text, value))
        return Now();
    return value;
}

QString GetCompName() { return platform::shortHostName(); }

QString GetUser() { return platform::loginName(); }

QString UserIdentity() { return platform::userIdentity(); }

Qt::KeyboardModifiers ShiftState()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return Qt::NoModifier;
    return QGuiApplication::queryKeyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

bool GetBuildInfo(const QString &fileName, int &major, int &minor, int &release, int &build, int &flags)
{
    if (!fileName.isEmpty()) {
        if (!QCoreApplication::instance())
            return false;
        const QFileInfo asked(fileName);
        const QFileInfo running(QCoreApplication::applicationFilePath());
        if (!asked.exists() || asked.canonicalFilePath() != running.canonicalFilePath())
            return false;
    }
    major = platform::versionMajor();
    minor = platform::versionMinor();
    release = platform::versionRelease();
    build = platform::versionBuild();
    flags = BuildFlags;
    return true;
}

QString GetFileVersion()
{
    int major = 0, minor = 0, release = 0, build = 0, flags = 0;
    GetBuildInfo(QString(), major, minor, release, build, flags);
    QString result = QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(release);
    if (flags & PreReleaseFlag)
        result += QStringLiteral(" prerelease");
    else if (flags & SpecialBuildFlag)
        result += QStringLiteral(" RC");
    return result;
}

void Swap(int &a, int &b)
{
    if (a > b)
        std::swap(a, b);
}

bool SameText(const QString &a, const QString &b)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    const QLocale locale;
    return locale.toLower(a) == locale.toLower(b);
}
