#include "sync/GenerationBase.h"

#include <QBuffer>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <exception>
#include <signal.h>

#include "XmlTree.h"

int TGenerationBase::AppliedIndex(const QString &file) const
{
    const auto found = Applied.find(file);
    return found == Applied.end() ? -1 : found->second;
}

bool TGenerationBase::SaverGone() const
{
    if (Pid <= 0 || Host.isEmpty() || Host != QSysInfo::machineHostName())
        return false;
    return ::kill(pid_t(Pid), 0) != 0 && errno == ESRCH;
}

QByteArray TGenerationBase::ToBytes() const
{
    TXMLTree tree;
    TXMLNode *base = tree.AddNode(QStringLiteral("base"));
    base->AddAttribute(QStringLiteral("from"), QString::number(From));
    base->AddAttribute(QStringLiteral("saver"), Saver);
    base->AddAttribute(QStringLiteral("host"), Host);
    base->AddAttribute(QStringLiteral("pid"), QString::number(Pid));
    for (const auto &[name, index] : Applied) {
        TXMLNode *file = base->AddNode(QStringLiteral("file"));
        file->AddAttribute(QStringLiteral("name"), name);
        file->AddAttribute(QStringLiteral("index"), QString::number(index));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    tree.SaveToStream(buffer, false, {});
    return bytes;
}

bool TGenerationBase::Read(const QString &fileName)
{
    *this = TGenerationBase();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return false;
    TXMLTree tree;
    try {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        tree.LoadFromStream(buffer);
    } catch (const std::exception &) {
        return false;
    }
    const TXMLNode *base = tree.namedNode(QStringLiteral("base"));
    if (!base)
        return false;
    const auto attribute = [](const TXMLNode *node, const QString &name) {
        const TXMLAttribute *a = node->namedAttribute(name);
        return a ? a->GetValue() : QString();
    };
    bool ok = false;
    From = attribute(base, QStringLiteral("from")).toLongLong(&ok);
    if (!ok)
        return false;
    Saver = attribute(base, QStringLiteral("saver"));
    Host = attribute(base, QStringLiteral("host"));
    Pid = attribute(base, QStringLiteral("pid")).toLongLong();
    for (const auto &child : base->Nodes()) {
        if (child->GetName() != QStringLiteral("file"))
            continue;
        const int index = attribute(child.get(), QStringLiteral("index")).toInt(&ok);
        const QString name = attribute(child.get(), QStringLiteral("name"));
        if (ok && !name.isEmpty())
            Applied[name] = index;
    }
    return true;
}
