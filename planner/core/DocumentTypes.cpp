#include "core/DocumentTypes.h"

#include "Language.h"

#include <cmath>
#include <limits>

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

namespace {

constexpr quint8 CellsComplete = 1;
constexpr quint8 WorkDays = 2;
constexpr quint8 EndOverWorkDays = 4; // what the end was computed with (a task's are its resource's)

// A date in whole minutes, when it is one exactly and fits.
bool ToMinutes(TDateTime date, qint32 &minutes)
{
    const double scaled = std::round(date * 1440.0);
    if (!(std::abs(scaled) < 2.0e9))
        return false;
    minutes = qint32(scaled);
    return double(minutes) / 1440.0 == date;
}

} // namespace

TRowReading TRowReading::Of(const TNodeData &node)
{
    TRowReading reading;
    const TNodeData::TEndMemo &memo = node.nodeEndMemo;
    // Only the row whose end the remembered end is, as its end cell holds it: the usual task.
    const bool remembered = node.nodeReadUnder != 0 && memo.epoch != 0 && memo.start == node.nodeStart
                            && memo.length == node.nodeLength && memo.position == node.nodePosition
                            && memo.end == node.nodeEnd
                            && node.nodeComputedEnd == node.nodeEnd && node.nodeColor >= -1
                            && node.nodeColor <= std::numeric_limits<qint16>::max();
    if (!remembered || !ToMinutes(node.nodeStart, reading.FStart) || !ToMinutes(node.nodeEnd, reading.FEnd)
        || !ToMinutes(node.nodeTerminRead, reading.FTermin))
        return TRowReading();
    reading.FLength = node.nodeLength;
    reading.FPosition = node.nodePosition;
    reading.FColor = qint16(node.nodeColor);
    reading.FFlags = quint8((node.nodeCellsComplete ? CellsComplete : 0) | (node.nodeWorkDays ? WorkDays : 0)
                            | (memo.workDays ? EndOverWorkDays : 0));
    reading.FEpoch = memo.epoch;
    reading.FReadUnder = node.nodeReadUnder;
    return reading;
}

void TRowReading::PutInto(TNodeData &node) const
{
    if (FReadUnder == 0)
        return;
    node.nodeStart = FStart / 1440.0;
    node.nodeEnd = FEnd / 1440.0;
    node.nodeTerminRead = FTermin / 1440.0;
    node.nodeComputedEnd = node.nodeEnd;
    node.nodeLength = FLength;
    node.nodePosition = FPosition;
    node.nodeColor = FColor;
    node.nodeCellsComplete = (FFlags & CellsComplete) != 0;
    node.nodeWorkDays = (FFlags & WorkDays) != 0;
    node.nodeEndMemo = TNodeData::TEndMemo{node.nodeStart, node.nodeEnd, FLength,
                                           FPosition,      FEpoch,       (FFlags & EndOverWorkDays) != 0};
}
