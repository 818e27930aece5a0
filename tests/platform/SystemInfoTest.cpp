#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSysInfo>

#include <future>

#include "SystemInfo.h"

using namespace platform;

TEST(SystemInfoTest, IdentityIsShortHostDotLogin)
{
    const QString host = shortHostName();
    const QString user = loginName();
    ASSERT_FALSE(host.isEmpty());
    ASSERT_FALSE(user.isEmpty());
    EXPECT_FALSE(host.contains(u'.'));
    EXPECT_TRUE(QSysInfo::machineHostName().startsWith(host) || host == QStringLiteral("localhost"));
    EXPECT_EQ(userIdentity(), host + u'.' + user);
    // The journal splits row ids at dots: the host part must be the text before the first one.
    EXPECT_EQ(userIdentity().section(u'.', 0, 0), host);
}

TEST(SystemInfoTest, IdentityIsTheSameFromEveryThread)
{
    std::vector<std::future<QString>> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(std::async(std::launch::async, [] { return userIdentity() + u'|' + loginName(); }));
    const QString expected = userIdentity() + u'|' + loginName();
    for (auto &result : results)
        EXPECT_EQ(result.get(), expected);
}
