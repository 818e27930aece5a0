#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryFile>

#include "Helper.h"
#include "SystemInfo.h"

TEST(HelperTest, StorageTextRoundTrips)
{
    const TDateTime leap = EncodeDateTime(2024, 2, 29, 23, 59, 58, 0);
    EXPECT_EQ(FormatDateTimeForStorage(leap), QStringLiteral("2024-02-29 23:59:58"));
    EXPECT_EQ(StrToDateTimeFromStorage(QStringLiteral("2024-02-29 23:59:58")), leap);

    for (const char *text : {"0001-01-01 00:00:00", "1899-12-29 12:30:00", "1899-12-30 00:00:00",
                             "1970-06-15 06:07:08", "9999-12-31 23:59:59"}) {
        TDateTime value = 0;
        ASSERT_TRUE(TryStrToDateTimeFromStorage(QString::fromLatin1(text), value)) << text;
        EXPECT_EQ(FormatDateTimeForStorage(value), QString::fromLatin1(text));
    }
    // Milliseconds are dropped on writing; what is read back is the whole second.
    EXPECT_EQ(FormatDateTimeForStorage(EncodeDateTime(2030, 1, 2, 3, 4, 5, 999)), QStringLiteral("2030-01-02 03:04:05"));
    // Only the fixed positions count.
    EXPECT_EQ(StrToDateTimeFromStorage(QStringLiteral("2024/03/05T10:20:30 and more")),
              EncodeDateTime(2024, 3, 5, 10, 20, 30, 0));
}

TEST(HelperTest, BadStorageTextGivesTheCurrentTime)
{
    for (const char *text : {"", "2024-02-30 00:00:00", "2024-02-29 23:59", "2024-02-29 24:00:00",
                             "2024-13-01 00:00:00", "0000-01-01 00:00:00", "20x4-01-01 00:00:00",
                             "2024-01-01 00:00:-1", "+024-01-01 00:00:00", "2024-01-01  0:00:00"}) {
        TDateTime value = 77;
        EXPECT_FALSE(TryStrToDateTimeFromStorage(QString::fromLatin1(text), value)) << text;
        EXPECT_EQ(value, 77);
        const TDateTime before = Now();
        const TDateTime read = StrToDateTimeFromStorage(QString::fromLatin1(text));
        EXPECT_GE(read, before) << text;
        EXPECT_LE(read - before, 1.0 / SecsPerDay) << text;
    }
}

TEST(HelperTest, IdentityAndVersion)
{
    EXPECT_EQ(UserIdentity(), GetCompName() + u'.' + GetUser());
    EXPECT_EQ(UserIdentity(), platform::userIdentity());
    EXPECT_EQ(GetFileVersion(), QStringLiteral("3.4.0"));

    int major = -1, minor = -1, release = -1, build = -1, flags = -1;
    ASSERT_TRUE(GetBuildInfo(QCoreApplication::applicationFilePath(), major, minor, release, build, flags));
    EXPECT_EQ(major, 3);
    EXPECT_EQ(minor, 4);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 0);
    EXPECT_EQ(flags, 0);

    QTemporaryFile other;
    ASSERT_TRUE(other.open());
    major = minor = release = build = flags = -7;
    EXPECT_FALSE(GetBuildInfo(other.fileName(), major, minor, release, build, flags));
    EXPECT_FALSE(GetBuildInfo(QStringLiteral("/no/such/file"), major, minor, release, build, flags));
    EXPECT_EQ(major + minor + release + build + flags, -35);
}

TEST(HelperTest, SwapOrdersAndShiftStateIsQuiet)
{
    int a = 5, b = 2;
    Swap(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 5);
    Swap(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 5);
    int c = -3, d = -3;
    Swap(c, d);
    EXPECT_EQ(c, -3);
    EXPECT_EQ(d, -3);
    // Nobody holds a key on the offscreen display.
    EXPECT_EQ(ShiftState(), Qt::KeyboardModifiers());
}
