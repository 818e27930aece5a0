#include "HashedString.h"

THashedString::THashedString() : FHash(Hash(QStringView())) {}

THashedString::THashedString(const QString &value) : FValue(value), FHash(Hash(value)) {}

void THashedString::SetValue(const QString &value)
{
    FValue = value;
    FHash = Hash(value);
}

quint32 THashedString::Hash(QStringView s)
{
    quint32 hash = 5381;
    for (const QChar c : s)
        hash = (hash * 33u) ^ c.unicode();
    return hash;
}
