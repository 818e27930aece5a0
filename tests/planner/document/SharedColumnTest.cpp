// Files that connect two meanings the end is computed from to one column: a row's end must not
// rewrite its own start, neither while the file is read nor when the row is edited.

#include "planner/CoreTestSupport.h"

#include <QTemporaryDir>

#include "common/TestSupport.h"

namespace {

class SharedColumnTest : public CoreTest
{
protected:
    // A hand-written file of tests/data with one text replaced, written to the temporary folder.
    QString Copy(const QString &data, const QString &from, const QString &to)
    {
        QString text = QString::fromLatin1(testsupport::readFile(testsupport::dataFile(data)));
        EXPECT_TRUE(text.contains(from));
        text.replace(from, to);
        const QString path = dir.filePath(data);
        testsupport::writeFile(path, text.toLatin1());
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(SharedColumnTest, StartAndEndInOneColumnKeepTheStart)
{
    // The task table's start date column (1) is connected as the end too.
    ASSERT_TRUE(documentFile->LoadFrom(Copy(QStringLiteral("plain-document.zop"), QStringLiteral("<End>2</End>"),
                                    QStringLiteral("<End>1</End>"))));
    ASSERT_EQ(core->GetConnection(tbTable, cnStart), 1);
    ASSERT_EQ(core->GetConnection(tbTable, cnEnd), 1);
    TNodeData *mill = core->FindNode(QStringLiteral("host.anna.1"));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->StringList[1], QStringLiteral("02.03.2026"));

    // Editing the start and the length leaves the start where the user put it.
    core->SetData_(mill, cnStart, QStringLiteral("05.03.2026"));
    core->SetData_(mill, cnLength, QStringLiteral("4"));
    EXPECT_EQ(mill->StringList[1], QStringLiteral("05.03.2026"));
    EXPECT_EQ(core->GetData_(mill, cnStart), QStringLiteral("05.03.2026"));
}

TEST_F(SharedColumnTest, OldDocumentWithStartAndEndInOneColumnImports)
{
    window.answers = {mrOk};
    ASSERT_TRUE(documentFile->ImportFrom(Copy(QStringLiteral("old-document.zop"), QStringLiteral("End=2"),
                                      QStringLiteral("End=1"))));
    ASSERT_EQ(core->GetConnection(tbTable, cnEnd), 1);
    bool found = false;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (node->StringList.value(0) == QStringLiteral("Mill")) {
            found = true;
            EXPECT_EQ(node->StringList.value(1), QStringLiteral("02.03.2026"));
        }
    });
    EXPECT_TRUE(found);
}

} // namespace
