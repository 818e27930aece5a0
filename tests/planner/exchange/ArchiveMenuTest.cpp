// The Archive menu: archiving is reached from it; un-archiving and deleting an archive, which
// nothing carries out, stay hidden and disabled.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QMenu>

TEST(ArchiveMenuTest, OnlyArchivingIsOffered)
{
    TScriptedMainForm form;
    auto *menu = form.findChild<QMenu *>(QStringLiteral("Archiv1"));
    ASSERT_NE(menu, nullptr);
    QStringList shown;
    for (QAction *action : menu->actions())
        if (action->isVisible())
            shown.append(action->objectName());
    EXPECT_EQ(shown, QStringList{"Auftrgearchivieren1"});
    for (QAction *action : {form.Archivierungrckgngigmachen1, form.Archivlschen1}) {
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(menu->actions().contains(action));
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_EQ(form.Archivierungrckgngigmachen1->text(), QString::fromUtf8("Archivierung rückgängig machen..."));
    EXPECT_EQ(form.Archivlschen1->text(), QString::fromUtf8("Archiv löschen"));
    // Their handlers change nothing.
    form.Archivlschen1Click();
    form.Archivierungrckgngigmachen1Click();
    EXPECT_TRUE(form.questions.isEmpty());
    EXPECT_EQ(form.Core().TotalCount(tbTable), 0);
}
