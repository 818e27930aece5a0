#include "core/DocumentTypes.h"

#include "Language.h"

const std::array<QString, WhichTableCount> TableNames = {
    QStringLiteral("tbTable"),
    QStringLiteral("tbExclude"),
};

const std::array<QString, ConnectionCount> ConnectionNames = {
    QStringLiteral("None"),
    QStringLiteral("Position"),
    QStringLiteral("Start"),
    QStringLiteral("End"),
    QStringLiteral("Length"),
    QStringLiteral("Termin"),
    QStringLiteral("Color"),
    QStringLiteral("TextLeftTop"),
    QStringLiteral("TextLeftMiddle"),
    QStringLiteral("TextLeftBottom"),
    QStringLiteral("TextcenterTop"),
    QStringLiteral("TextCenterMiddle"),
    QStringLiteral("TextCenterBottom"),
    QStringLiteral("TextRightTop"),
    QStringLiteral("TextRightMiddle"),
    QStringLiteral("TextRightBottom"),
    QStringLiteral("LengthWithWeekend"),
    QStringLiteral("Interval"),
};

const std::array<QString, ColumnTypeCount> ColumnTypeNames = {
    QStringLiteral("Text"),
    QStringLiteral("Date"),
    QStringLiteral("Pulldown"),
    QStringLiteral("Number"),
    QStringLiteral("CheckBox"),
    QStringLiteral("Link"),
};

const std::array<QString, 2> BoolNames = {
    QStringLiteral("Nein"),
    QStringLiteral("Ja"),
};

TColumnType ColumnTypeName2Type(const QString &name)
{
    for (int i = 0; i < ColumnTypeCount; ++i)
        if (ColumnTypeNames[std::size_t(i)] == name)
            return TColumnType(i);
    return ctText;
}

QString DefaultAbsentReasonsText()
{
    const QString quotes = QStringLiteral("\"\"\"");
    const QString separator = quotes + QLatin1Char(',') + quotes;
    return quotes + Translate(QStringLiteral("Holiday")) + separator + Translate(QStringLiteral("Sick")) + separator
           + Translate(QStringLiteral("Other")) + quotes;
}
