#include "XmlAttribute.h"

#include "XmlEscape.h"

TXMLAttribute::TXMLAttribute(const QString &name, const QString &value) : FName(name), FValue(value) {}

int TXMLAttribute::ToInt(int def) const
{
    bool ok = false;
    const int value = FValue.toInt(&ok, 10);
    return ok ? value : def;
}

QString TXMLAttribute::document() const
{
    return XMLEscapeAttributeName(FName.Value()) + QLatin1String("=\"") + XMLEscape(FValue) + QLatin1Char('"');
}
