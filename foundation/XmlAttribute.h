#pragma once

#include "HashedString.h"

#include <QString>

// One attribute of an XML element (see XmlTree.h).
class TXMLAttribute
{
public:
    TXMLAttribute(const QString &name, const QString &value);
    TXMLAttribute(THashedString name, QString value);
    // Destroys an attribute its element owned, wherever it was made.
    static void Destroy(TXMLAttribute *attribute) noexcept;

    QString GetName() const { return FName.Value(); }
    const THashedString &Name() const { return FName; }
    QString GetValue() const { return FValue; }
    void SetValue(const QString &value) { FValue = value; }

    // The value as a decimal integer; def when it is none.
    int ToInt(int def) const;

    // The written form: name="value", both escaped.
    QString document() const;

    // Null-safe forms for lookups that may find nothing.
    static QString ValueOf(const TXMLAttribute *attribute) { return attribute ? attribute->FValue : QString(); }
    static int ToIntOf(const TXMLAttribute *attribute, int def) { return attribute ? attribute->ToInt(def) : def; }

private:
    friend class TXMLTreeBuilder;
    THashedString FName;
    QString FValue;
    bool FInArena = false; // made by the reader in a TXMLArena
};
