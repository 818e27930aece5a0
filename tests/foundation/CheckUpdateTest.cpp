#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include <memory>

#include "CheckUpdate.h"
#include "common/LocalHttpServer.h"

namespace {

class CheckUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Start());
        check = std::make_unique<TCheckUpdate>();
        check->SetURL(server.Url());
        QObject::connect(check.get(), &TCheckUpdate::OnFound, [this](TCheckUpdate *sender) {
            EXPECT_EQ(sender, check.get());
            ++found;
        });
        QObject::connect(check.get(), &TCheckUpdate::OnNotFound, [this](TCheckUpdate *sender) {
            EXPECT_EQ(sender, check.get());
            ++notFound;
        });
    }

    // Runs one check against the server's response and waits for its event.
    void Run(const QByteArray &response)
    {
        server.response = response;
        found = notFound = 0;
        check->Execute();
        EXPECT_TRUE(check->Payload().isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([this] { return found + notFound > 0; }, 10000));
        QTest::qWait(10); // no second event may follow
        EXPECT_EQ(found + notFound, 1);
    }

    testsupport::TLocalHttpServer server;
    std::unique_ptr<TCheckUpdate> check;
    int found = 0;
    int notFound = 0;
};

} // namespace

TEST(CheckUpdatePayload, MarkerParsing)
{
    EXPECT_EQ(TCheckUpdate::FindPayload("<html><!--rev 3.4.0 --></html>", "rev", 1024), "3.4.0");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!-- a --><!--rev\t\r\n3.5.1\x01 -->", "rev", 1024), "3.5.1");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!-- rev 3.4.0 -->", "rev", 1024), "");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--REV 3.4.0 -->", "rev", 1024), "");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--rev-->", "rev", 1024), "");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--rev 3.4.0", "rev", 1024), "");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--rev 3.4.0 -->", "rev", 12), "");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--build 7 --><!--rev 1 -->", "build", 1024), "7");
    EXPECT_EQ(TCheckUpdate::FindPayload("<!--rev Version \xE9t\xE9 -->", "rev", 1024), QString::fromUtf8("Version été"));
}

TEST_F(CheckUpdateTest, FoundWithTheProgramsRequest)
{
    Run(testsupport::TLocalHttpServer::Page("<html><head><!-- generator --></head><body><!--rev 3.4.0 --></body></html>"));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(check->Payload(), "3.4.0");
    EXPECT_EQ(check->RunningCount(), 0);
    const QByteArray request = server.lastRequest.toLower();
    EXPECT_TRUE(request.startsWith("get /version.html http/1.1\r\n"));
    EXPECT_TRUE(request.contains("\r\nuser-agent: mozilla/2.0 (updater/breniksoftware)\r\n"));
    EXPECT_TRUE(request.contains("\r\ncache-control: no-cache\r\n"));

    // An error page is taken at its word.
    Run(testsupport::TLocalHttpServer::Page("<!--rev 9.0 -->", "404 Not Found"));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(check->Payload(), "9.0");
}

TEST_F(CheckUpdateTest, NotFound)
{
    Run(testsupport::TLocalHttpServer::Page("<html><!-- rev 3.4.0 --><!--version 3--><!--REV 3--></html>"));
    EXPECT_EQ(notFound, 1);
    Run(testsupport::TLocalHttpServer::Page("<!--rev-->"));
    EXPECT_EQ(notFound, 1);
    EXPECT_TRUE(check->Payload().isEmpty());
    Run(testsupport::TLocalHttpServer::Page(""));
    EXPECT_EQ(notFound, 1);
}

TEST_F(CheckUpdateTest, OnlyTheFirst1024BytesAreSearched)
{
    const QByteArray marker = "<!--rev 3.4.1 -->";
    Run(testsupport::TLocalHttpServer::Page(QByteArray(1024 - marker.size(), ' ') + marker + "<p>more</p>"));
    EXPECT_EQ(found, 1); // ends exactly at byte 1024
    EXPECT_EQ(check->Payload(), "3.4.1");

    Run(testsupport::TLocalHttpServer::Page(QByteArray(1030, ' ') + marker));
    EXPECT_EQ(notFound, 1);
    Run(testsupport::TLocalHttpServer::Page(QByteArray(1024 - 8, ' ') + marker)); // "-->" lies past the limit
    EXPECT_EQ(notFound, 1);

    // A large answer is cut off after the bytes that are searched.
    QElapsedTimer clock;
    clock.start();
    Run(testsupport::TLocalHttpServer::Page(marker + QByteArray(4 * 1024 * 1024, 'x')));
    EXPECT_EQ(found, 1);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(CheckUpdateTest, ServerThatNeverAnswersTimesOut)
{
    server.silent = true;
    check->SetTransferTimeout(200);
    QElapsedTimer clock;
    clock.start();
    Run(QByteArray());
    EXPECT_EQ(notFound, 1);
    EXPECT_EQ(server.requests, 1);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(CheckUpdateTest, UnreachableServerAndBadAddressGiveNotFound)
{
    quint16 closedPort;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    check->SetURL(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort));
    Run(QByteArray());
    EXPECT_EQ(notFound, 1);
    check->SetURL(QString());
    Run(QByteArray());
    EXPECT_EQ(notFound, 1);
}

TEST_F(CheckUpdateTest, DestroyingTheCheckCancelsTheRequest)
{
    server.silent = true;
    check->SetTransferTimeout(60000);
    check->Execute();
    check->Execute(); // each call is a check of its own
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.requests == 2; }, 10000));
    EXPECT_EQ(check->RunningCount(), 2);
    check.reset();
    EXPECT_TRUE(QTest::qWaitFor([this] { return server.disconnects == 2; }, 10000));
    EXPECT_EQ(found + notFound, 0);
}
