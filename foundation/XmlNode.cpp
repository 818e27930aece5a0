#include "XmlNode.h"

#include <algorithm>

TXMLNode::TXMLNode(const QString &name, const QString &value, TXMLNode *parent)
    : FName(name), FValue(value), FParentNode(parent)
{
}

TXMLNode::TXMLNode(THashedString name, QString value, TXMLNode *parent)
    : FName(std::move(name)), FValue(std::move(value)), FParentNode(parent)
{
}

// Recursive through the child lists; the reader keeps parsed trees within MaxDepth.
TXMLNode::~TXMLNode() = default;

void TXMLNode::Destroy(TXMLNode *node) noexcept
{
    TXMLArena::Destroy(node, node->FInArena);
}

TXMLNode *TXMLNode::AddNode(const QString &name, const QString &value)
{
    return FNodes.append(new TXMLNode(name, value, this));
}

TXMLAttribute *TXMLNode::AddAttribute(const QString &name, const QString &value)
{
    return FAttributes.append(new TXMLAttribute(name, value));
}

TXMLAttribute *TXMLNode::AddAttribute(const THashedString &name, const QString &value)
{
    return FAttributes.append(new TXMLAttribute(name, value));
}

TXMLNode *TXMLNode::namedNode(const QString &name, bool deep) const
{
    const THashedString key(name);
    if (deep)
        return findDeep(key);
    for (const auto &child : FNodes) {
        if (child->FName.HashEquals(key))
            return child.get();
    }
    return nullptr;
}

TXMLNode *TXMLNode::findDeep(const THashedString &key) const
{
    // Pre-order, depth first, with an explicit stack.
    std::vector<const TXMLNode *> stack;
    for (auto it = FNodes.rbegin(); it != FNodes.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        const TXMLNode *node = stack.back();
        stack.pop_back();
        if (node->FName.HashEquals(key))
            return const_cast<TXMLNode *>(node);
        for (auto it = node->FNodes.rbegin(); it != node->FNodes.rend(); ++it)
            stack.push_back(it->get());
    }
    return nullptr;
}

TXMLNode *TXMLNode::namedNode(const QStringList &path) const
{
    const TXMLNode *node = this;
    for (const QString &step : path) {
        node = node->namedNode(step, false);
        if (!node)
            return nullptr;
    }
    return const_cast<TXMLNode *>(node);
}

TXMLAttribute *TXMLNode::namedAttribute(const QString &name) const
{
    const THashedString key(name);
    for (const auto &attribute : FAttributes) {
        if (attribute->Name().HashEquals(key))
            return attribute.get();
    }
    return nullptr;
}

bool TXMLNode::DeleteNode(TXMLNode *child)
{
    const auto it = std::find_if(FNodes.begin(), FNodes.end(), [child](const auto &p) { return p.get() == child; });
    if (it == FNodes.end())
        return false;
    FNodes.erase(std::size_t(it - FNodes.begin()));
    return true;
}

int TXMLNode::ToInt(int def) const
{
    bool ok = false;
    const int value = FValue.toInt(&ok, 10);
    return ok ? value : def;
}

bool TXMLNode::ToBool(bool def) const
{
    return ToInt(def ? 1 : 0) != 0;
}

void TXMLNode::CloneTo(TXMLNode *target, bool withAttributes) const
{
    // Iterative: copying does not depend on how deep the source nests.
    std::vector<std::pair<const TXMLNode *, TXMLNode *>> work{{this, target}};
    while (!work.empty()) {
        const auto [from, into] = work.back();
        work.pop_back();
        TXMLNode *copy = into->AddNode(from->GetName(), from->FValue);
        if (withAttributes) {
            for (const auto &attribute : from->FAttributes)
                copy->AddAttribute(attribute->GetName(), attribute->GetValue());
        }
        // Children are appended in order when popped, so push them reversed.
        for (auto it = from->FNodes.rbegin(); it != from->FNodes.rend(); ++it)
            work.emplace_back(it->get(), copy);
    }
}
