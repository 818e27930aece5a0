#include "MemIniFile.h"

#include <QFile>
#include <QFileInfo>

#include "AtomicFile.h"
#include "BlockCompress.h"
#include "Cp1252.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

// A line break inside a key, value or section name would split the line.
QString escapeBreaks(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += QStringLiteral("\\n");
        } else {
            out += ch;
        }
    }
    return out;
}

// CR LF, CR and LF all end a line; a break at the very end adds no empty line.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\r' || ch == u'\n') {
            lines.append(text.mid(start, i - start));
            if (ch == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString foldName(const QString &name) { return name.toCaseFolded(); }

} // namespace

TMemIniFile::TMemIniFile(const QString &fileName)
    : TCustomIniFile(fileName)
{
    LoadValues();
}

TMemIniFile::~TMemIniFile() = default;

QString TMemIniFile::DecodeText(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.constData() + kUtf8Bom.size(), bytes.size() - kUtf8Bom.size());
    return platform::fromCp1252(bytes);
}

QByteArray TMemIniFile::EncodeText(const QString &text)
{
    if (platform::canEncodeCp1252(text))
        return platform::toCp1252(text);
    return kUtf8Bom + text.toUtf8();
}

TMemIniFile::TSection *TMemIniFile::FindSection(const QString &name) const
{
    return FIndex.value(foldName(escapeBreaks(name)), nullptr);
}

qsizetype TMemIniFile::FindLine(const QStringList &lines, const QString &ident)
{
    // A key is the text before the first "=", so a key with "=" in it never matches.
    if (ident.contains(u'='))
        return -1;
    const qsizetype n = ident.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (n == 0) {
            if (line.isEmpty() || line.at(0) == u'=' || !line.contains(u'='))
                return i;
            continue;
        }
        if (line.size() > n && line.at(n) == u'='
            && QStringView(line).left(n).compare(ident, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TMemIniFile::RebuildIndex()
{
    FIndex.clear();
    for (const auto &section : FSections) {
        const QString key = foldName(section->name);
        if (!FIndex.contains(key))
            FIndex.insert(key, section.get());
    }
}

QString TMemIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const
{
    const TSection *s = FindSection(section);
    if (!s)
        return def;
    const qsizetype i = FindLine(s->lines, escapeBreaks(ident));
    if (i < 0)
        return def;
    const QString &line = s->lines.at(i);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

void TMemIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    TSection *s = FindSection(section);
    QStringList &lines = s ? s->lines : AddSection(section);
    const QString key = escapeBreaks(ident);
    const QString line = key + u'=' + escapeBreaks(value);
    const qsizetype i = FindLine(lines, key);
    if (i >= 0)
        lines[i] = line;
    else
        lines.append(line);
}

void TMemIniFile::ReadSection(const QString &section, QStringList &strings) const
{
    strings.clear();
    const TSection *s = FindSection(section);
    if (!s)
        return;
    for (const QString &line : s->lines) {
        const qsizetype eq = line.indexOf(u'=');
        strings.append(eq < 0 ? QString() : line.left(eq));
    }
}

void TMemIniFile::ReadSections(QStringList &strings) const
{
    strings.clear();
    for (const auto &section : FSections)
        strings.append(section->name);
}

void TMemIniFile::ReadSectionValues(const QString &section, QStringList &strings) const
{
    strings.clear();
    if (const TSection *s = FindSection(section))
        strings = s->lines;
}

void TMemIniFile::EraseSection(const QString &section)
{
    const TSection *s = FindSection(section);
    if (!s)
        return;
    for (auto it = FSections.begin(); it != FSections.end(); ++it) {
        if (it->get() == s) {
            FSections.erase(it);
            break;
        }
    }
    RebuildIndex();
}

void TMemIniFile::DeleteKey(const QString &section, const QString &ident)
{
    TSection *s = FindSection(section);
    if (!s)
        return;
    const qsizetype i = FindLine(s->lines, escapeBreaks(ident));
    if (i >= 0)
        s->lines.removeAt(i);
}

QStringList &TMemIniFile::AddSection(const QString &name)
{
    auto section = std::make_unique<TSection>();
    section->name = escapeBreaks(name);
    TSection *raw = section.get();
    FSections.push_back(std::move(section));
    const QString key = foldName(raw->name);
    if (!FIndex.contains(key))
        FIndex.insert(key, raw);
    return raw->lines;
}

void TMemIniFile::Clear()
{
    FSections.clear();
    FIndex.clear();
}

void TMemIniFile::GetStrings(QStringList &list) const
{
    list.clear();
    for (const auto &section : FSections) {
        list.append(u'[' + section->name + u']');
        for (const QString &line : section->lines)
            list.append(escapeBreaks(line)); // lines added through AddSection may hold breaks
        list.append(QString());
    }
}

void TMemIniFile::SetStrings(const QStringList &list)
{
    Clear();
    QStringList *current = nullptr;
    for (const QString &entry : list) {
        // An entry with line breaks in it is several lines.
        const QStringList pieces = (entry.contains(u'\r') || entry.contains(u'\n')) ? splitLines(entry)
                                                                                  : QStringList{entry};
        for (const QString &line : pieces) {
            if (line.isEmpty() || line.at(0) == u';')
                continue;
            if (line.size() >= 2 && line.at(0) == u'[' && line.at(line.size() - 1) == u']') {
                current = &AddSection(line.mid(1, line.size() - 2));
                continue;
            }
            if (current)
                current->append(line);
        }
    }
}

void TMemIniFile::LoadValues()
{
    FLastError.clear();
    if (FFileName.isEmpty() || !QFileInfo::exists(FFileName)) {
        Clear();
        return;
    }
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        FLastError = file.errorString();
        Clear();
        return;
    }
    const QByteArray bytes = file.readAll();
    // A compressed image that does not expand cleanly is read as plain text.
    QByteArray plain;
    if (TLZR::hasMagic(bytes) && TLZR::decompressBytes(bytes, plain, true))
        SetStrings(splitLines(DecodeText(plain)));
    else
        SetStrings(splitLines(DecodeText(bytes)));
}

bool TMemIniFile::UpdateFile(bool compress)
{
    FLastError.clear();
    QStringList lines;
    GetStrings(lines);
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    QByteArray bytes = EncodeText(text);
    if (compress) {
        // Should the compressor fail, the file is written plain rather than not at all.
        const QByteArray packed = TLZR::compressBytes(bytes);
        if (!packed.isEmpty())
            bytes = packed;
    }

    if (FFileName.isEmpty()) {
        FLastError = QStringLiteral("No file name.");
        return false;
    }
    // A file the user made read-only is left alone, as a direct write would have been.
    const QFileInfo info(FFileName);
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & writeBits))) {
        FLastError = QStringLiteral("The file is read-only.");
        return false;
    }
    return platform::writeFileAtomically(FFileName, bytes, &FLastError);
}
