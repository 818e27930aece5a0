// The check for a newer version: the comparison and the menu item it shows.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QTest>

#include "CheckUpdate.h"
#include "common/LocalHttpServer.h"
#include "window/UpdateNotice.h"

namespace {

TEST(UpdateNoticeTest, VersionComparison)
{
    const std::array<int, 4> own{3, 3, 6, 0};
    const struct
    {
        const char *text;
        bool newer;
    } table[] = {
        {"3.3.6.1", true},   {"3.3.5.9", false}, {"4", true},        {"3.3.6.0", false},
        {"3.3.6", false},    {"3.4", true},      {"3.3.7.0", true},  {"2.9.9.9", false},
        {"3.2.9.9", false},  {"4.0.0.0", true},  {"3.3.6.0.1", false}, {"3.3.x.1", false},
        {"x.4", false},      {"3.beta", false},  {"", false},       {"3.3.6. 1", true},
        {"99999999999999999999.0", false},       {"3.3.6.-1", false}, {"10.0", true},
    };
    for (const auto &row : table)
        EXPECT_EQ(IsNewerVersion(QString::fromLatin1(row.text), own), row.newer) << row.text;
}

TEST(UpdateNoticeTest, ANewerVersionOnTheVersionPageShowsTheItem)
{
    testsupport::TLocalHttpServer server;
    ASSERT_TRUE(server.Start());
    server.response = testsupport::TLocalHttpServer::Page("<html><!--rev 9.1.0.0 --></html>");
    qputenv("VELMORA_UPDATE_URL", server.Url().toUtf8());
    TScriptedMainForm form;
    qputenv("VELMORA_UPDATE_URL", "");
    ASSERT_TRUE(form.Updateavailable1);
    EXPECT_FALSE(form.Updateavailable1->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Updateavailable1->isVisible(); }, 10000));
    EXPECT_EQ(form.Updateavailable1->text(), QStringLiteral("Update available: 9.1.0.0"));
    EXPECT_EQ(server.requests, 1);

    // This program's own version is no update.
    server.response = testsupport::TLocalHttpServer::Page("<html><!--rev 3.4.0.0 --></html>");
    qputenv("VELMORA_UPDATE_URL", server.Url().toUtf8());
    TScriptedMainForm current;
    qputenv("VELMORA_UPDATE_URL", "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests == 2 && current.UpdateNotice().Check()->RunningCount() == 0; },
                                10000));
    QTest::qWait(20);
    EXPECT_FALSE(current.Updateavailable1->isVisible());
    // Without an address no check is made.
    TScriptedMainForm offline;
    EXPECT_EQ(offline.UpdateNotice().Check()->RunningCount(), 0);
    EXPECT_EQ(server.requests, 2);
}

} // namespace
