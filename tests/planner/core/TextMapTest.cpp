#include "core/TextMap.h"

#include <gtest/gtest.h>

#include <QHash>

#include <random>

// The map answers as QHash<QString, int> does, through growth, reservation, replacement,
// erasing and clearing, for texts that differ in one unit only, in length only, or not at all
// but for their buffer; erasing in the middle of a run of colliding slots loses no text.
TEST(TextMap, AnswersAsAHashOfTexts)
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
        TTextMap<int> map;
        QHash<QString, int> expected;
        if (round == 1)
            map.reserve(5000);
        for (int step = 0; step < 8000; ++step) {
            const QString key = text();
            const int action = int(random() % 6);
            if (action < 2) {
                const int number = int(random() % 1000) - 500;
                map.insert(key, number);
                expected.insert(key, number);
            } else if (action == 2) {
                const auto it = map.constFind(key);
                ASSERT_EQ(it != map.constEnd(), expected.contains(key));
                if (it != map.constEnd()) {
                    EXPECT_EQ(it.key(), key);
                    EXPECT_EQ(it.value(), expected.value(key));
                    map.erase(it);
                    expected.remove(key);
                }
            }
            const QString probe = text();
            // A copy in a buffer of its own finds the same entry.
            const QString copy = QString(probe.constData(), probe.size());
            ASSERT_EQ(map.value(copy, -7), expected.value(probe, -7)) << probe.toStdString();
            ASSERT_EQ(map.contains(probe), expected.contains(probe)) << probe.toStdString();
            ASSERT_EQ(map.size(), expected.size());
        }
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            ASSERT_EQ(map.value(it.key(), -7), it.value());
        // Erasing everything, in an order of its own, leaves nothing behind.
        const QList<QString> keys = expected.keys();
        for (const QString &key : keys) {
            map.erase(map.constFind(key));
            ASSERT_FALSE(map.contains(key));
        }
        EXPECT_EQ(map.size(), 0);
        map.erase(map.constEnd()); // nothing to erase
        map.insert(QStringLiteral("again"), 1);
        EXPECT_EQ(map.value(QStringLiteral("again")), 1);
        map.clear();
        EXPECT_EQ(map.size(), 0);
        EXPECT_EQ(map.value(QStringLiteral("again"), 3), 3);
    }
}
