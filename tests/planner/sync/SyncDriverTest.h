#pragma once

// The fixture of the tests that run several synchronisation drivers (real processes) on one
// document in a temporary folder.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "planner/sync/SyncDriver.h"

class SyncDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(logs.isValid());
        document = dir.filePath(QStringLiteral("plan.zop"));
    }

    // A driver with a short grace time for dead saves and a log of its own.
    TSyncDriverProcess &Driver(const QString &host, std::map<QString, QString> environment = {})
    {
        environment.emplace(QStringLiteral("VELMORA_SYNC_GRACE"), QStringLiteral("1500"));
        environment.emplace(QStringLiteral("VELMORA_SYNC_LOG"), logs.filePath(host + QStringLiteral(".log")));
        drivers.push_back(std::make_unique<TSyncDriverProcess>());
        EXPECT_TRUE(drivers.back()->Start(host, environment)) << host.toStdString();
        return *drivers.back();
    }
    // The document made by the first driver, opened by the others.
    void Share(TSyncDriverProcess &first, const std::vector<TSyncDriverProcess *> &others)
    {
        ASSERT_EQ(first.Command({"create", document}), "");
        for (TSyncDriverProcess *other : others)
            ASSERT_EQ(other->Command({"open", document}), "") << other->Output().toStdString();
    }
    // How many lines of the driver's log contain the text.
    static int LogCount(TSyncDriverProcess &driver, const QString &text)
    {
        return driver.Command({"log", text}).toInt();
    }
    // Polls until the condition holds; every test is bounded by these deadlines.
    static bool Eventually(const std::function<bool()> &done, int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (done())
                return true;
            QTest::qWait(100);
        }
        return done();
    }

    QTemporaryDir dir;
    QTemporaryDir logs;
    QString document;
    std::vector<std::unique_ptr<TSyncDriverProcess>> drivers;
};
