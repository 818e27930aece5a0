#include "core/TextIndex.h"

#include <gtest/gtest.h>

#include <QHash>

#include <random>

// The index answers as QHash<QString, int> does, through growth, replacement and clearing,
// for texts that differ in one unit only, in length only, or not at all but for their buffer.
TEST(TextIndex, AnswersAsAHashOfTexts)
{
    std::mt19937 random(4711);
    auto text = [&random] {
        switch (random() % 4) {
        case 0:
            return QStringLiteral("Resource %1").arg(random() % 500);
        case 1:
            return QString(int(random() % 12), QChar(u'a' + int(random() % 2))); // "" included
        case 2:
            return QStringLiteral("%1.%2.2024").arg(random() % 31).arg(random() % 12);
        default:
            return QString::number(random() % 3000) + QChar(0x00E4 + int(random() % 3));
        }
    };
    for (int round = 0; round < 3; ++round) {
        TTextIndex index;
        QHash<QString, int> expected;
        for (int step = 0; step < 6000; ++step) {
            const QString key = text();
            if (random() % 3 == 0) {
                const int number = int(random() % 1000) - 500;
                index.insert(key, number);
                expected.insert(key, number);
            }
            const QString probe = text();
            // A copy in a buffer of its own finds the same entry.
            const QString copy = QString(probe.constData(), probe.size());
            ASSERT_EQ(index.value(copy, -7), expected.value(probe, -7)) << probe.toStdString();
            ASSERT_EQ(index.contains(probe), expected.contains(probe)) << probe.toStdString();
        }
        EXPECT_EQ(index.size(), expected.size());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            ASSERT_EQ(index.value(it.key(), -7), it.value());
        index.clear();
        EXPECT_EQ(index.size(), 0);
        EXPECT_FALSE(index.contains(expected.cbegin().key()));
        EXPECT_EQ(index.value(expected.cbegin().key(), 3), 3);
        index.insert(QStringLiteral("again"), 1);
        EXPECT_EQ(index.value(QStringLiteral("again")), 1);
    }
}
