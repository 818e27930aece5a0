#pragma once

#include <QString>
#include <QStringList>

#include "DateTime.h"

// Base of the ini classes: the typed reads and writes over two string operations.
// Typed values use the user's locale and date formats, as the files always have; dates
// are written with a four-digit year so that no value loses its century.
class TCustomIniFile
{
public:
    explicit TCustomIniFile(const QString &fileName);
    virtual ~TCustomIniFile();
    TCustomIniFile(const TCustomIniFile &) = delete;
    TCustomIniFile &operator=(const TCustomIniFile &) = delete;

    QString FileName() const { return FFileName; }

    virtual QString ReadString(const QString &section, const QString &ident, const QString &def) const = 0;
    virtual void WriteString(const QString &section, const QString &ident, const QString &value) = 0;

    // Decimal, or hexadecimal after "$" or "0x"/"0X"; the default for anything else.
    virtual int ReadInteger(const QString &section, const QString &ident, int def) const;
    virtual void WriteInteger(const QString &section, const QString &ident, int value);
    // Any non-zero integer is true; written as "1" / "0".
    virtual bool ReadBool(const QString &section, const QString &ident, bool def) const;
    virtual void WriteBool(const QString &section, const QString &ident, bool value);
    // Empty or unreadable text gives the default.
    virtual TDateTime ReadDate(const QString &section, const QString &ident, TDateTime def) const;
    virtual TDateTime ReadDateTime(const QString &section, const QString &ident, TDateTime def) const;
    virtual double ReadFloat(const QString &section, const QString &ident, double def) const;
    virtual TDateTime ReadTime(const QString &section, const QString &ident, TDateTime def) const;
    virtual void WriteDate(const QString &section, const QString &ident, TDateTime value);
    virtual void WriteDateTime(const QString &section, const QString &ident, TDateTime value);
    virtual void WriteFloat(const QString &section, const QString &ident, double value);
    virtual void WriteTime(const QString &section, const QString &ident, TDateTime value);

    virtual void ReadSection(const QString &section, QStringList &strings) const = 0;
    virtual void ReadSections(QStringList &strings) const = 0;
    virtual void ReadSectionValues(const QString &section, QStringList &strings) const = 0;
    virtual void EraseSection(const QString &section) = 0;
    virtual void DeleteKey(const QString &section, const QString &ident) = 0;

    // True when the key is among the section's key names (case-insensitive).
    bool ValueExists(const QString &section, const QString &ident) const;

    // The number forms of the typed operations; false on bad text. Dates and times use
    // the program's date formats (DateFormat.h).
    static bool StrToIniInteger(const QString &text, int &value);
    static QString FloatToIniStr(double value);
    static bool IniStrToFloat(const QString &text, double &value);

protected:
    QString FFileName;
};
