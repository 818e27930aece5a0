#include <gtest/gtest.h>

#include <QStringDecoder>

#include "Cp1252.h"

using namespace platform;

// The characters a German user types every day that are not Latin-1.
TEST(Cp1252Test, WellKnownHighBytes)
{
    const QString text = QString::fromUtf8("€ ‚ „ … † ‡ ‰ Š ‹ Œ Ž ‘ ’ “ ” • – — ™ š › œ ž Ÿ ƒ ˆ ˜");
    const QByteArray bytes = toCp1252(text);
    EXPECT_EQ(bytes, QByteArray("\x80 \x82 \x84 \x85 \x86 \x87 \x89 \x8A \x8B \x8C \x8E \x91 \x92 \x93 \x94 "
                                "\x95 \x96 \x97 \x99 \x9A \x9B \x9C \x9E \x9F \x83 \x88 \x98"));
    EXPECT_EQ(fromCp1252(bytes), text);
    EXPECT_EQ(toCp1252(QString::fromUtf8("Grüße ÄÖÜß ©°±µ ÿ")), QByteArray("Gr\xFC\xDF" "e \xC4\xD6\xDC\xDF \xA9\xB0\xB1\xB5 \xFF"));
}

// The system's own Windows-1252 converter is the independent reference for the whole table.
TEST(Cp1252Test, AgreesWithTheSystemConverter)
{
    QStringDecoder reference("windows-1252");
    if (!reference.isValid())
        GTEST_SKIP() << "no system Windows-1252 converter";
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray one(1, char(byte));
        const QString expected = reference(one);
        ASSERT_EQ(fromCp1252(one), expected) << "byte " << byte;
        ASSERT_EQ(cp1252Byte(expected.at(0).unicode()), byte) << "byte " << byte;
    }
}

TEST(Cp1252Test, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_TRUE(canEncodeCp1252(text));
    EXPECT_EQ(toCp1252(text), all);
    // The unassigned bytes keep their value as C1 controls instead of being lost.
    for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text.at(byte).unicode(), byte);
}

TEST(Cp1252Test, CharactersOutsideTheTable)
{
    // U+0080 and U+009F are C1 controls whose bytes carry € and Ÿ: not encodable.
    EXPECT_EQ(cp1252Byte(0x0080), -1);
    EXPECT_EQ(cp1252Byte(0x009F), -1);
    EXPECT_EQ(cp1252Byte(0x0100), -1);
    EXPECT_EQ(cp1252Byte(0x20AC), 0x80);
    const QString mixed = QString::fromUtf8("a\u0100b\U0001F600c");
    EXPECT_FALSE(canEncodeCp1252(mixed));
    // One replacement per UTF-16 unit: the emoji is a surrogate pair.
    EXPECT_EQ(toCp1252(mixed), QByteArray("a?b??c"));
    EXPECT_EQ(toCp1252(mixed, '_'), QByteArray("a_b__c"));
    EXPECT_EQ(toCp1252(QString()), QByteArray());
    EXPECT_EQ(fromCp1252(QByteArray()), QString());
    EXPECT_EQ(fromCp1252(QByteArray("a\0b", 3)).size(), 3);
}
