// Public holidays and position groups in the document file.

#include "document/DocumentFile.h"

#include "core/PlannerCore.h"

#include "XmlTree.h"

namespace {

QString Bool01(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void TDocumentFile::LoadPublicHoliday(const TXMLNode *holidays)
{
    FCore.ClearHoliday();
    if (!holidays)
        return;
    for (const auto &item : holidays->Nodes()) {
        auto value = [&item](const char *name) { return item->namedNode(QString::fromLatin1(name)); };
        FCore.AddHoliday(TXMLNode::ValueOf(value("Name")), TXMLNode::ToIntOf(value("Day"), 0),
                   TXMLNode::ToIntOf(value("Month"), 0), TXMLNode::ToBoolOf(value("Enabled"), false),
                   TXMLNode::ToBoolOf(value("Easter"), false));
    }
}

void TDocumentFile::SavePublicHoliday(TXMLNode *holidays)
{
    for (int i = 0; i < FCore.HolidayCount(); ++i) {
        const THolidayData *holiday = FCore.GetHolidayData(i);
        TXMLNode *item = holidays->AddNode(QString::number(i));
        item->AddNode(QStringLiteral("Name"), holiday->name);
        item->AddNode(QStringLiteral("Day"), QString::number(holiday->day));
        item->AddNode(QStringLiteral("Month"), QString::number(holiday->month));
        item->AddNode(QStringLiteral("Enabled"), Bool01(holiday->enabled));
        item->AddNode(QStringLiteral("Easter"), Bool01(holiday->easter));
    }
}

void TDocumentFile::LoadPositionGroups(const TXMLNode *groups)
{
    FCore.ResetPositionGroups();
    if (!groups)
        return;
    // Tab 0 is never stored: the groups are the children "1", "2", ... in tab order.
    for (int i = 1; i <= groups->ChildCount(); ++i) {
        const TXMLNode *group = groups->namedNode(QString::number(i));
        if (!group)
            continue;
        FCore.AddPositionGroup(TXMLNode::ValueOf(group->namedNode(QStringLiteral("Name"))),
                         TXMLNode::ValueOf(group->namedNode(QStringLiteral("Filter"))));
    }
}

void TDocumentFile::SavePositionGroups(TXMLNode *groups)
{
    const QStringList &captions = FCore.GroupTabCaptions();
    for (int i = 1; i < captions.size(); ++i) {
        TXMLNode *group = groups->AddNode(QString::number(i));
        group->AddNode(QStringLiteral("Name"), captions[i]);
        group->AddNode(QStringLiteral("Filter"), FCore.FPositionGroup.value(i));
    }
}
