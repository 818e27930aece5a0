#include "core/TextPool.h"

#include <gtest/gtest.h>

#include <vector>

// Equal texts come back as one buffer, whether the caller hands in a fresh copy or a buffer
// the pool gave out before, and a text is never answered with another one.
TEST(TextPool, EqualTextsShareOneBufferAndKeepTheirContent)
{
    TTextPool pool;
    EXPECT_TRUE(pool.Shared(QString()).isNull());
    EXPECT_TRUE(pool.Shared(QStringLiteral("")).isEmpty());

    std::vector<QString> first;
    for (int i = 0; i < 2000; ++i) {
        const QString text = QStringLiteral("2026-03-%1 %2").arg(i % 31).arg(i);
        first.push_back(pool.Shared(text));
        EXPECT_EQ(first.back().constData(), text.constData()); // the first one is kept as it is
    }
    EXPECT_EQ(pool.Count(), 2000);
    for (int i = 1999; i >= 0; --i) {
        const QString copy = QStringLiteral("2026-03-%1 %2").arg(i % 31).arg(i); // a new buffer
        const QString fromCopy = pool.Shared(copy);
        EXPECT_EQ(fromCopy, copy);
        EXPECT_EQ(fromCopy.constData(), first[std::size_t(i)].constData());
        const QString again = pool.Shared(fromCopy); // the pooled buffer itself
        EXPECT_EQ(again.constData(), first[std::size_t(i)].constData());
    }
    EXPECT_EQ(pool.Count(), 2000);

    // A caller changing its copy of a pooled text detaches; the pool still answers the old text.
    QString changed = first[7];
    changed[0] = QLatin1Char('X');
    EXPECT_EQ(pool.Shared(changed), changed);
    EXPECT_EQ(pool.Shared(first[7]), QStringLiteral("2026-03-7 7"));

    pool.Clear();
    EXPECT_EQ(pool.Count(), 0);
    const QString fresh = QStringLiteral("2026-03-7 7");
    EXPECT_EQ(pool.Shared(fresh).constData(), fresh.constData());
}
