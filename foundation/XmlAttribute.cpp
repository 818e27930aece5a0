#include "XmlAttribute.h"

#include "XmlArena.h"
#include "XmlEscape.h"

TXMLAttribute::TXMLAttribute(const QString &name, const QString &value) : FName(name), FValue(value) {}

TXMLAttribute::TXMLAttribute(THashedString name, QString value) : FName(std::move(name)), FValue(std::move(value)) {}

void TXMLAttribute::Destroy(TXMLAttribute *attribute) noexcept
{
    TXMLArena::Destroy(attribute, attribute->FInArena);
}

int TXMLAttribute::ToInt(int def) const
{
    bool ok = false;
    const int value = FValue.toInt(&ok, 10);
    return ok ? value : def;
}

QString TXMLAttribute::document() const
{
    QString out = XMLEscapeAttributeName(FName.Value());
    out += QLatin1String("=\"");
    XMLEscapeTo(out, FValue);
    out += QLatin1Char('"');
    return out;
}
