#pragma once

#include <QString>
#include <QtGlobal>

// A string with a cached 32-bit hash, for XML names and row identities that are compared
// far more often than they change. The hash starts at 5381 and takes each UTF-16 unit c as
// hash = (hash * 33) XOR c; other instances never see it, but keep it stable anyway.
class THashedString
{
public:
    THashedString();
    explicit THashedString(const QString &value);

    void SetValue(const QString &value);
    const QString &Value() const { return FValue; }
    quint32 HashValue() const { return FHash; }

    static quint32 Hash(QStringView s);

    // Hashes first, then the exact, case-sensitive texts.
    bool HashEquals(const THashedString &other) const
    {
        return FHash == other.FHash && FValue == other.FValue;
    }
    // Plain comparison with a string, no hash involved.
    bool StrEquals(QStringView s) const { return QStringView(FValue) == s; }

    bool operator==(const THashedString &other) const { return HashEquals(other); }

private:
    QString FValue;
    quint32 FHash;
};
