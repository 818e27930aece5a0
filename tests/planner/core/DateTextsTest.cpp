// The date texts of cells, read and written on their quick road, give what the general
// conversions give: random dates and texts under several patterns, odd texts included.

#include <gtest/gtest.h>

#include <random>

#include "DateFormat.h"
#include "core/DateTexts.h"

namespace {

QString Digits(std::mt19937 &random, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QChar(u'0' + int(random() % 10));
    return out;
}

} // namespace

TEST(DateTextsTest, ReadAndWriteAgreeWithTheGeneralConversions)
{
    const QList<QStringList> patterns = {
        {"dd.MM.yyyy", "HH:mm", "HH:mm:ss"}, {"MM/dd/yyyy", "H:mm", "H:mm:ss"}, {"yyyy-MM-dd", "HH:mm:ss", "HH:mm:ss"},
        {"d.M.yyyy", "H:mm", "H:mm:ss"},     {"dd/MM/yy", "HH:mm", "HH:mm:ss"},  {"d MMM yyyy", "h:mm AP", "h:mm:ss AP"},
        {"'Day' dd.MM.yyyy", "HH:mm", "HH:mm:ss"},
    };
    std::mt19937 random(777);
    const QStringList seps = {".", "/", "-", ",", " ", ". ", ".."};
    int compared = 0;
    for (const QStringList &pattern : patterns) {
        SetDateFormats(pattern[0], pattern[1], pattern[2]);
        for (const TMinUnit unit : {muDay, muMinute}) {
            TDateTexts texts;
            texts.Validate(unit);
            for (int i = 0; i < 1200; ++i) {
                // Dates of every era, now and then with a time of day and seconds.
                TDateTime value = double(qint64(random() % 3000000) - 700000);
                if (random() % 2)
                    value += double(random() % 86400) / 86400.0;
                const QString expected = unit == muMinute ? DateTimeToShortStr(value) : DateToStr(value);
                const QString written = texts.Write(value);
                ASSERT_EQ(written, expected) << pattern.join(' ').toStdString() << " " << value;
                ASSERT_TRUE(texts.IsWritten(expected, value));
                ASSERT_FALSE(texts.IsWritten(expected + QLatin1Char(' '), value));
                // What was written reads back as the general reader reads it.
                TDateTime a = 0;
                TDateTime b = 0;
                ASSERT_EQ(texts.Read(written, a), TryStrToDateTime(written, b)) << written.toStdString();
                ASSERT_EQ(a, b) << written.toStdString();
                // Texts made of random numbers and separators, right or wrong.
                QString text = Digits(random, 1 + int(random() % 5));
                for (int f = 0; f < 2; ++f)
                    text += seps[int(random() % seps.size())] + Digits(random, 1 + int(random() % 5));
                if (random() % 2)
                    text += QStringLiteral(" ") + Digits(random, 1 + int(random() % 3)) + QStringLiteral(":")
                            + Digits(random, 1 + int(random() % 3));
                if (random() % 4 == 0)
                    text += QStringLiteral(":") + Digits(random, 1 + int(random() % 3));
                if (random() % 8 == 0)
                    text = QStringLiteral(" ") + text;
                const bool okA = texts.Read(text, a);
                const bool okB = TryStrToDateTime(text, b);
                ASSERT_EQ(okA, okB) << text.toStdString();
                if (okA) {
                    ASSERT_EQ(a, b) << text.toStdString();
                }
                compared += 2;
            }
            // A moment is written as the cell format writes it.
            EXPECT_EQ(texts.Write(EncodeDate(2024, 3, 5) + EncodeTime(7, 15, 0, 0)),
                      unit == muMinute ? DateTimeToShortStr(EncodeDate(2024, 3, 5) + EncodeTime(7, 15, 0, 0))
                                       : DateToStr(EncodeDate(2024, 3, 5)));
        }
    }
    EXPECT_EQ(compared, 7 * 2 * 1200 * 2);
    ResetDateFormats();
}

TEST(DateTextsTest, NewFormatsTakeEffect)
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    TDateTexts texts;
    texts.Validate(muDay);
    TDateTime value = 0;
    ASSERT_TRUE(texts.Read(QStringLiteral("05.03.2024"), value));
    EXPECT_EQ(value, EncodeDate(2024, 3, 5));
    SetDateFormats(QStringLiteral("MM/dd/yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    texts.Validate(muDay);
    ASSERT_TRUE(texts.Read(QStringLiteral("05.03.2024"), value));
    EXPECT_EQ(value, EncodeDate(2024, 5, 3));
    EXPECT_EQ(texts.Write(EncodeDate(2024, 5, 3)), QStringLiteral("05/03/2024"));
    texts.Validate(muMinute);
    EXPECT_EQ(texts.Write(EncodeDate(2024, 5, 3) + EncodeTime(9, 5, 0, 0)), QStringLiteral("05/03/2024 09:05"));
    ResetDateFormats();
}

// Patterns off the quick road write each date once; what was written under one pattern is not
// taken for another.
TEST(DateTextsTest, TextsOfNamedMonthsFollowTheFormats)
{
    const TDateTime day = EncodeDate(2024, 5, 3);
    SetDateFormats(QStringLiteral("d MMM yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    TDateTexts texts;
    texts.Validate(muDay);
    const QString first = texts.Write(day);
    EXPECT_EQ(first, DateToStr(day));
    EXPECT_EQ(texts.Write(day), first);
    EXPECT_TRUE(texts.IsWritten(first, day));
    EXPECT_FALSE(texts.IsWritten(first, day + 1));
    SetDateFormats(QStringLiteral("MMMM d, yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    texts.Validate(muDay);
    EXPECT_EQ(texts.Write(day), DateToStr(day));
    EXPECT_NE(texts.Write(day), first);
    EXPECT_FALSE(texts.IsWritten(first, day));
    texts.Validate(muMinute);
    EXPECT_EQ(texts.Write(day + EncodeTime(9, 5, 0, 0)), DateTimeToShortStr(day + EncodeTime(9, 5, 0, 0)));
    EXPECT_TRUE(texts.IsWritten(DateTimeToShortStr(day + EncodeTime(9, 5, 0, 0)), day + EncodeTime(9, 5, 0, 0)));
    ResetDateFormats();
}
