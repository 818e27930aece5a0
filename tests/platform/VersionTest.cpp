#include <gtest/gtest.h>

#include "Version.h"

TEST(Version, PartsMatchTheVersionText)
{
    const QString text = QStringLiteral("%1.%2.%3.%4")
                             .arg(platform::versionMajor())
                             .arg(platform::versionMinor())
                             .arg(platform::versionRelease())
                             .arg(platform::versionBuild());
    EXPECT_EQ(platform::versionString(), text);
    EXPECT_EQ(platform::versionMajor(), 3);
}
