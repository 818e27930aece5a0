// Saves killed half-way leave temporary files beside the document and in its shared folder;
// the next save or opening of the same user removes them, and never a file another writer may
// still be writing. Real processes, killed at every step of the save.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"

namespace {

class MultiProcessLeftoverTest : public SyncDriverTest
{
protected:
    // Every temporary file beside the document and in its shared folder.
    QStringList Temporaries() const
    {
        QStringList found;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (platform::isAtomicTemporaryName(QFileInfo(path).fileName()))
                found.append(path);
        }
        found.sort();
        return found;
    }
    // A temporary file of the document that someone else may be writing right now.
    QString Foreign(const QString &writer, uid_t owner = ::geteuid())
    {
        const QString path = dir.filePath(QStringLiteral(".plan.zop.abc123.%1.tmp").arg(writer));
        EXPECT_TRUE(testsupport::writeFile(path, "being written"));
        EXPECT_EQ(::chown(QFile::encodeName(path).constData(), owner, gid_t(-1)), 0);
        return path;
    }
};

} // namespace

TEST_F(MultiProcessLeftoverTest, WhatAKilledSaveLeftGoesWithTheNextSaveOrOpeningAndNothingOfAnotherWriter)
{
    // A pid no process has: one that ran and ended.
    qint64 gone = 0;
    {
        TSyncDriverProcess &shortLived = Driver(QStringLiteral("hostx"));
        ASSERT_EQ(shortLived.Command({"quit"}), "");
        ASSERT_TRUE(shortLived.WaitForExit(5000));
        gone = shortLived.Pid();
    }
    ASSERT_GT(gone, 0);
    {
        TSyncDriverProcess &maker = Driver(QStringLiteral("hosta"));
        ASSERT_EQ(maker.Command({"create", document}), "");
        ASSERT_EQ(maker.Command({"quit"}), "");
        ASSERT_TRUE(maker.WaitForExit(5000));
    }
    // Of a writer that still runs on this host, of a gone one of another host, and, as root
    // can make it, of a gone writer that is another user.
    QStringList kept{Foreign(QStringLiteral("%1@hosta").arg(QCoreApplication::applicationPid())),
                     Foreign(QStringLiteral("%1@hostz").arg(gone))};
    if (::geteuid() == 0)
        kept.append(Foreign(QStringLiteral("%1@hosta").arg(gone), 47002));
    kept.sort();

    const QStringList steps{"claimed", "based", "locked", "working"};
    for (const QString road : {"open", "save"}) {
        for (const QString &step : steps) {
            SCOPED_TRACE((road + " after a save killed at " + step).toStdString());
            // The road's instance is already there when the save dies, or comes after it.
            TSyncDriverProcess *later = nullptr;
            if (road == "save") {
                later = &Driver(QStringLiteral("hosta"));
                ASSERT_EQ(later->Command({"open", document}), "");
            }
            TSyncDriverProcess &killed = Driver(QStringLiteral("hosta"));
            ASSERT_EQ(killed.Command({"open", document}), "");
            ASSERT_FALSE(killed.Command({"add", "Comment", "killed at " + step}).startsWith("error"));
            killed.Send({"crashsave", step});
            ASSERT_TRUE(killed.WaitForExit(10000));
            ASSERT_GT(Temporaries().size(), kept.size()) << "the killed save left nothing";

            if (road == "open") {
                later = &Driver(QStringLiteral("hosta"));
                ASSERT_EQ(later->Command({"open", document}), "");
            } else {
                ASSERT_FALSE(later->Command({"add", "Comment", "saved after " + step}).startsWith("error"));
                ASSERT_EQ(later->Command({"save"}, 20000), "") << later->Output().toStdString();
            }
            EXPECT_EQ(Temporaries().join(QLatin1Char('\n')).toStdString(), kept.join(QLatin1Char('\n')).toStdString());
            ASSERT_EQ(later->Command({"quit"}), "");
            ASSERT_TRUE(later->WaitForExit(5000));
        }
    }
}
