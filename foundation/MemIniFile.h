#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "CustomIniFile.h"

// A whole ini file held in memory: read completely on construction, written completely
// by UpdateFile. Section names and keys compare case-insensitively; a key is the text
// before a line's first "=", the value everything after it, untrimmed.
//
// File text: Windows-1252 with CR LF line ends. A file that starts with a UTF-8 byte order
// mark is read as UTF-8; a text with characters Windows-1252 cannot hold is written as
// UTF-8 with that mark rather than losing them. A compressed file (the block compressor's
// stream) is recognised on reading by its magic.
//
// Line breaks: a key, value or section name written with CR and/or LF in it would split
// the file, so each line break (CR LF, CR or LF) is stored as the two characters "\n"
// (backslash, n) — the same form the language files use for a line break. Reads return
// that form; callers that store multi-line text turn it back themselves.
class TMemIniFile : public TCustomIniFile
{
public:
    // Stores the name and loads the file at once; a missing file gives an empty ini.
    explicit TMemIniFile(const QString &fileName);
    // Never writes the file.
    ~TMemIniFile() override;

    QString ReadString(const QString &section, const QString &ident, const QString &def) const override;
    void WriteString(const QString &section, const QString &ident, const QString &value) override;
    void ReadSection(const QString &section, QStringList &strings) const override;
    void ReadSections(QStringList &strings) const override;
    void ReadSectionValues(const QString &section, QStringList &strings) const override;
    void EraseSection(const QString &section) override;
    void DeleteKey(const QString &section, const QString &ident) override;

    // Appends a new empty section (no check for an existing one) and returns its lines.
    // The reference stays valid until the section is erased or the ini cleared.
    QStringList &AddSection(const QString &name);
    void Clear();

    // The whole file as lines: each section as "[name]", its lines and one empty line.
    void GetStrings(QStringList &list) const;
    // Parses lines into sections; comments, empty lines and lines before the first
    // section header are dropped.
    void SetStrings(const QStringList &list);

    // Reads the file again (compressed or plain); a missing or unreadable file clears.
    void LoadValues();
    // Replaces the file atomically with the whole ini, compressed when asked. False when
    // the file could not be written; the previous file then stays as it was and
    // LastError() says why.
    bool UpdateFile(bool compress = false);
    QString LastError() const { return FLastError; }

    // Text <-> file bytes (encoding only; no compression).
    static QString DecodeText(const QByteArray &bytes);
    static QByteArray EncodeText(const QString &text);

private:
    struct TSection
    {
        QString name;
        QStringList lines;
    };

    TSection *FindSection(const QString &name) const;
    static qsizetype FindLine(const QStringList &lines, const QString &ident);
    void RebuildIndex();

    // Section names in file order, each owning its lines.
    std::vector<std::unique_ptr<TSection>> FSections;
    // Case-folded name -> the first section of that name, for large files (archives).
    QHash<QString, TSection *> FIndex;
    QString FLastError;
};
