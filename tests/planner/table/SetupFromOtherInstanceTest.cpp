// The table setup of another instance (a real process) reaches this window through the
// synchronisation: every caption shows whole at once, as after a setup made here, without
// reopening the document.

#include "planner/sync/SharedWindowTest.h"

#include "common/RepaintCheck.h"
#include "treegrid/StringTreeGrid.h"

using namespace userinput;
using testsupport::ShowsFullRender;

namespace {

class SetupFromOtherInstanceTest : public SharedWindowTest
{
protected:
    // A confirms a table setup with one new column; B follows into the saved generation.
    void AddColumnInA(const QString &caption, const char *type)
    {
        const int before = core->GetTableColCount(tbTable);
        ASSERT_EQ(a->Command({"column", "", caption, QString::fromLatin1(type)}), "") << a->Output().toStdString();
        const QString generation = a->Json("state").value("generation").toString();
        ASSERT_TRUE(Idle([&] {
            return form->Sync().DirWatchThread()->WorkingDir() == generation
                   && core->GetTableColCount(tbTable) == before + 1;
        }, 15000)) << "A in " << generation.toStdString() << ", B in "
                   << form->Sync().DirWatchThread()->WorkingDir().toStdString();
        QApplication::processEvents();
    }
    // The captions B's header cannot show whole.
    QStringList CutCaptions() const { return userinput::CutCaptions(form->StringTreeGrid1->Header()); }
};

} // namespace

TEST_F(SetupFromOtherInstanceTest, CaptionsOfColumnsSetUpElsewhereShowWhole)
{
    ASSERT_NO_FATAL_FAILURE(Share(3));
    ASSERT_TRUE(CutCaptions().isEmpty()) << CutCaptions().join(u',').toStdString();

    ASSERT_NO_FATAL_FAILURE(AddColumnInA(QStringLiteral("Confirmed"), "CheckBox"));
    EXPECT_EQ(core->GetColumnCaption(tbTable, 6), QStringLiteral("Confirmed"));
    EXPECT_TRUE(CutCaptions().isEmpty()) << CutCaptions().join(u',').toStdString();

    ASSERT_NO_FATAL_FAILURE(AddColumnInA(QStringLiteral("Net amount of the order"), "Number"));
    EXPECT_EQ(core->GetColumnCaption(tbTable, 7), QStringLiteral("Net amount of the order"));
    EXPECT_TRUE(CutCaptions().isEmpty()) << CutCaptions().join(u',').toStdString();
    EXPECT_TRUE(ShowsFullRender(form->StringTreeGrid1));
    // The tasks are still there, in B's table as in A's.
    for (const QString &id : ids)
        EXPECT_NE(core->FindNode(id), nullptr);
}
