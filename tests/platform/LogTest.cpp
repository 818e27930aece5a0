#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <thread>
#include <vector>

#include "Locations.h"
#include "Log.h"
#include "common/TestSupport.h"

namespace {

QStringList logLines()
{
    return QString::fromUtf8(testsupport::readFile(platform::logFilePath())).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(LogTest, AppendsOneStampedLinePerCall)
{
    QFile::remove(platform::logFilePath());
    Log(QStringLiteral("first"));
    Log(QString::fromUtf8("zweite Zeile: Grüße\r\nmit Umbruch\nund noch einer"));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression stamped(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} - (.*)$"));
    const auto first = stamped.match(lines[0]);
    ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("first"));
    const auto second = stamped.match(lines[1]);
    ASSERT_TRUE(second.hasMatch());
    EXPECT_EQ(second.captured(1), QString::fromUtf8("zweite Zeile: Grüße mit Umbruch und noch einer"));
}

TEST(LogTest, ManyThreadsLoseNoLineAndTearNone)
{
    QFile::remove(platform::logFilePath());
    constexpr int threads = 6;
    constexpr int perThread = 150;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i)
                Log(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(40, u'x'));
        });
    }
    for (auto &worker : workers)
        worker.join();
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral("^[0-9: -]{19} - thread \\d line \\d+ x{40}$"));
    for (const QString &line : lines)
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
}

TEST(LogTest, AnUnwritableLogIsSkippedQuietly)
{
    // A folder where the file should be: nothing can be written, nothing is raised.
    const QString blocked = QDir(testsupport::testRoot()).filePath(QStringLiteral("blocked-log"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    platform::setLogFilePath(blocked);
    EXPECT_NO_THROW(Log(QStringLiteral("lost")));
    platform::setLogFilePath(QString());
    Log(QStringLiteral("back"));
    EXPECT_TRUE(logLines().last().endsWith(QStringLiteral(" - back")));
}
