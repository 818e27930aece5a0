#pragma once

#include "HashedString.h"
#include "XmlAttribute.h"
#include "XmlList.h"

#include <QString>
#include <QStringList>

#include <vector>

class TXMLTreeBuilder;

enum TXMLValueType { xvtString = 0, xvtCDATA = 1 };

// One element of the XML tree: a name, a text, attributes and child elements, all owned.
// In memory a CDATA text keeps its line breaks and tabs as "\n " and "\t " (backslash,
// letter, space); the writer turns them back into CR LF and TAB.
class TXMLNode
{
public:
    // The element is not linked into parent's list; AddNode does that.
    TXMLNode(const QString &name, const QString &value, TXMLNode *parent);
    TXMLNode(THashedString name, QString value, TXMLNode *parent);
    // Not virtual: elements are only ever deleted as elements, and a document holds so
    // many that a table pointer in each would cost megabytes. A tree is never deleted
    // through a pointer to its root element.
    ~TXMLNode();
    // Destroys an element its parent owned, wherever it was made.
    static void Destroy(TXMLNode *node) noexcept;
    TXMLNode(const TXMLNode &) = delete;
    TXMLNode &operator=(const TXMLNode &) = delete;

    // Appends a child (texts taken as they are) and returns it.
    TXMLNode *AddNode(const QString &name, const QString &value = QString());
    // Appends a child made from the text of an opening tag: name, then name="value" pairs.
    TXMLNode *AddNodeEx(const QString &tagText, const QString &value = QString());
    // Appends an attribute; one of the same name stays as it is.
    TXMLAttribute *AddAttribute(const QString &name, const QString &value);
    TXMLAttribute *AddAttribute(const THashedString &name, const QString &value);

    // First child of that name; deep searches each child's subtree before its next sibling.
    TXMLNode *namedNode(const QString &name, bool deep = false) const;
    // Follows the path one direct child per step; nullptr as soon as a step is missing.
    TXMLNode *namedNode(const QStringList &path) const;
    TXMLAttribute *namedAttribute(const QString &name) const;

    TXMLNode *GetNode(int i) const { return FNodes.at(size_t(i)).get(); }
    int ChildCount() const { return int(FNodes.size()); }
    const TXMLList<TXMLNode> &Nodes() const { return FNodes; }
    // Removes and destroys a child; false when it is no child of this element.
    bool DeleteNode(TXMLNode *child);
    void ClearNodes() { FNodes.clear(); }

    TXMLAttribute *GetAttribute(int i) const { return FAttributes.at(size_t(i)).get(); }
    int AttributeCount() const { return int(FAttributes.size()); }
    const TXMLList<TXMLAttribute> &Attributes() const { return FAttributes; }
    void ClearAttributes() { FAttributes.clear(); }

    QString GetName() const { return FName.Value(); }
    const THashedString &Name() const { return FName; }
    void SetName(const QString &name) { FName.SetValue(name); }
    QString GetValue() const { return FValue; }
    void SetValue(const QString &value) { FValue = value; }
    TXMLValueType ValueType() const { return TXMLValueType(FValueType); }
    void SetValueType(TXMLValueType t) { FValueType = quint8(t); }
    TXMLNode *parentNode() const { return FParentNode; }

    // The text as a decimal integer; def when it is none.
    int ToInt(int def) const;
    // The text as an integer with fallback 0 or 1 (def); non-zero is true.
    bool ToBool(bool def) const;

    // Appends a deep copy (name, text, children; attributes when asked) as target's last
    // child. Every copy gets value type xvtString.
    void CloneTo(TXMLNode *target, bool withAttributes) const;

    // The written form at an indent of 2 * level spaces, ending in CR LF.
    QString document(int level) const;
    void appendDocument(QString &out, int level) const;

    // Null-safe forms for lookups that may find nothing.
    static QString ValueOf(const TXMLNode *node) { return node ? node->FValue : QString(); }
    static int ToIntOf(const TXMLNode *node, int def) { return node ? node->ToInt(def) : def; }
    static bool ToBoolOf(const TXMLNode *node, bool def) { return node ? node->ToBool(def) : def; }

protected:
    THashedString FName;
    QString FValue;
    TXMLList<TXMLNode> FNodes;
    TXMLList<TXMLAttribute> FAttributes;
    TXMLNode *FParentNode; // not owned
    quint8 FValueType = xvtString;
    bool FInArena = false; // made by the reader in a TXMLArena

private:
    friend class TXMLTree;
    friend class TXMLTreeBuilder;
    TXMLNode *findDeep(const THashedString &name) const;
};
