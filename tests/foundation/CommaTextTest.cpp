#include <gtest/gtest.h>

#include "CommaText.h"

#include <QListWidget>

#include <random>
#include <stdexcept>

namespace {

// Items made of the characters that trouble comma texts most.
QStringList randomList(std::mt19937 &rng)
{
    static const QStringList pieces = {
        QStringLiteral("a"),      QStringLiteral(" "),    QStringLiteral("\""), QStringLiteral(","),
        QStringLiteral("\t"),     QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("Müller"),
        QStringLiteral("€"),      QStringLiteral("日本"), QStringLiteral("😀"), QStringLiteral("x\"\"y"),
        QString(QChar(0)),        QStringLiteral("'"),    QStringLiteral(";"),  QStringLiteral("\u00A0"),
    };
    std::uniform_int_distribution<int> count(0, 6);
    std::uniform_int_distribution<int> length(0, 4);
    std::uniform_int_distribution<int> piece(0, int(pieces.size()) - 1);
    QStringList items;
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
        QString item;
        const int l = length(rng);
        for (int k = 0; k < l; ++k)
            item += pieces[piece(rng)];
        items << item;
    }
    return items;
}

} // namespace

TEST(CommaText, WritesAndReadsTheDocumentedForms)
{
    TCommaText list;
    list.FromArray({QStringLiteral("a"), QStringLiteral("b c"), QString()});
    EXPECT_EQ(list.AsString(), QStringLiteral("a,\"b c\","));
    EXPECT_EQ(ParseCommaText(list.AsString()),
              (QStringList{QStringLiteral("a"), QStringLiteral("b c"), QString()}));

    EXPECT_EQ(CommaTextOf({}), QString());
    EXPECT_EQ(CommaTextOf({QString()}), QStringLiteral("\"\""));
    EXPECT_EQ(CommaTextOf({QString(), QString()}), QStringLiteral(","));
    EXPECT_EQ(CommaTextOf({QStringLiteral("a\tb"), QStringLiteral("c\r\nd"), QStringLiteral("x\"y"),
                           QStringLiteral("é,"), QStringLiteral("ü")}),
              QStringLiteral("\"a\tb\",\"c\r\nd\",\"x\"\"y\",\"é,\",ü"));

    EXPECT_EQ(ParseCommaText(QStringLiteral("x, y")), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_TRUE(ParseCommaText(QStringLiteral(" ")).isEmpty());
    EXPECT_TRUE(ParseCommaText(QString()).isEmpty());
    // Unquoted blanks separate items like commas.
    EXPECT_EQ(ParseCommaText(QStringLiteral("a b,c")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(ParseCommaText(QStringLiteral("\"\"")), QStringList{QString()});
    EXPECT_EQ(ParseCommaText(QStringLiteral(",")), (QStringList{QString(), QString()}));
    EXPECT_EQ(ParseCommaText(QStringLiteral("a,")), (QStringList{QStringLiteral("a"), QString()}));
    // Only a comma that really ends the text adds the empty item.
    EXPECT_EQ(ParseCommaText(QStringLiteral("a, ")), QStringList{QStringLiteral("a")});
    // A missing closing quote takes the rest; text after a closing quote is the next item.
    EXPECT_EQ(ParseCommaText(QStringLiteral("\"ab, \"\"c")), QStringList{QStringLiteral("ab, \"c")});
    EXPECT_EQ(ParseCommaText(QStringLiteral("\"ab\"cd")), (QStringList{QStringLiteral("ab"), QStringLiteral("cd")}));
    // The pick-list entries the model builds: three quotes around a name keep one pair.
    EXPECT_EQ(ParseCommaText(QStringLiteral("\"\"\"Position 1\"\"\"")), QStringList{QStringLiteral("\"Position 1\"")});
}

TEST(CommaText, RandomListsRoundTrip)
{
    std::mt19937 rng(4711);
    for (int n = 0; n < 3000; ++n) {
        const QStringList items = randomList(rng);
        const QString text = CommaTextOf(items);
        ASSERT_EQ(ParseCommaText(text), items) << text.toStdString();
        // Text form is stable: writing what was read gives the same text.
        ASSERT_EQ(CommaTextOf(ParseCommaText(text)), text);
    }
}

TEST(CommaText, NestedListsRoundTripThroughItems)
{
    std::mt19937 rng(815);
    for (int n = 0; n < 500; ++n) {
        QList<QStringList> inner;
        QStringList outer;
        const int count = 1 + int(rng() % 4);
        for (int i = 0; i < count; ++i) {
            inner << randomList(rng);
            outer << CommaTextOf(inner.last());
        }
        const TCommaText list(CommaTextOf(outer));
        ASSERT_EQ(list.Count(), count);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(list.Count(i), inner[i].size());
            for (int j = 0; j < inner[i].size(); ++j)
                ASSERT_EQ(list.Item(i, j), inner[i][j]);
        }
    }
}

TEST(CommaText, SetItemPadsEveryLevel)
{
    TCommaText list;
    list.SetItem(3, QStringLiteral("d"));
    EXPECT_EQ(list.AsString(), QStringLiteral(",,,d"));

    TCommaText nested;
    nested.SetItem(1, 2, QStringLiteral("z"));
    EXPECT_EQ(nested.AsString(), QStringLiteral(",\",,z\""));
    EXPECT_EQ(nested.Item(1, 2), QStringLiteral("z"));
    EXPECT_EQ(nested.Count(1), 3);

    TCommaText deep;
    deep.SetItem(2, 1, 3, QStringLiteral("q r"));
    EXPECT_EQ(deep.Count(), 3);
    EXPECT_EQ(deep.Count(2), 2);
    EXPECT_EQ(deep.Count(2, 1), 4);
    EXPECT_EQ(deep.Item(2, 1, 3), QStringLiteral("q r"));
    EXPECT_EQ(deep.Item(2, 1, 0), QString());
    // Setting a neighbour keeps what is there on every level.
    deep.SetItem(2, 1, 0, QStringLiteral("p,\"x\""));
    deep.SetItem(2, 0, QStringLiteral("first"));
    const TCommaText reread(deep.AsString());
    EXPECT_EQ(reread.Item(2, 1, 0), QStringLiteral("p,\"x\""));
    EXPECT_EQ(reread.Item(2, 1, 3), QStringLiteral("q r"));
    EXPECT_EQ(reread.Item(2, 0), QStringLiteral("first"));
    EXPECT_EQ(reread.Count(2, 1), 4);

    // A position entry: description lines, week text, row count.
    const QString week = QStringLiteral("0,420,945,480,540,15,720,30,0,0");
    TCommaText entry;
    entry.SetItem(0, 0, QStringLiteral("Anna Weber"));
    entry.SetItem(0, 1, QStringLiteral("Bau, Halle 2"));
    entry.SetItem(2, QStringLiteral("3"));
    entry.SetItem(1, week);
    const TCommaText entry2(entry.AsString());
    EXPECT_EQ(entry2.Item(0, 0), QStringLiteral("Anna Weber"));
    EXPECT_EQ(entry2.Item(0, 1), QStringLiteral("Bau, Halle 2"));
    EXPECT_EQ(entry2.Item(1), week);
    EXPECT_EQ(entry2.Count(1), 10);
    EXPECT_EQ(entry2.Item(2), QStringLiteral("3"));

    // A single empty inner item stays one item.
    TCommaText single;
    single.SetItem(0, 0, QString());
    EXPECT_EQ(TCommaText(single.AsString()).Count(0), 1);
}

TEST(CommaText, ReadsOutOfRangeAsEmptyAndRejectsBadWrites)
{
    TCommaText list(QStringLiteral("a,b"));
    EXPECT_EQ(list.Item(-1), QString());
    EXPECT_EQ(list.Item(2), QString());
    EXPECT_EQ(list.Item(0, 1), QString());
    EXPECT_EQ(list.Item(5, 0, 0), QString());
    EXPECT_EQ(list.Count(7), 0);
    EXPECT_THROW(list.SetItem(-1, QStringLiteral("x")), std::out_of_range);
    EXPECT_THROW(list.SetItem(0, -1, QStringLiteral("x")), std::out_of_range);
    EXPECT_THROW(list.SetItem(0, 0, -1, QStringLiteral("x")), std::out_of_range);
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    EXPECT_THROW(list.Insert(3, QStringLiteral("x")), std::out_of_range);
    EXPECT_EQ(list.AsString(), QStringLiteral("a,b")); // failed writes left it alone

    list.Insert(2, QStringLiteral("c"));
    list.Insert(0, QStringLiteral("z"));
    list.Delete(1);
    EXPECT_EQ(list.AsString(), QStringLiteral("z,b,c"));
    list.Add(QStringLiteral("d e"));
    EXPECT_EQ(AddToCommaText(list.AsString(), QStringLiteral("f,g")), QStringLiteral("z,b,c,\"d e\",\"f,g\""));
    EXPECT_EQ(AddToCommaText(QString(), QString()), QStringLiteral("\"\""));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.AsString(), QString());
}

TEST(CommaText, LooksUpWithoutRegardToCase)
{
    const PCommaText list = TCommaText::Create(QStringList{QStringLiteral("Urlaub"), QStringLiteral("Ärger"),
                                                            QStringLiteral("krank"), QStringLiteral("URLAUB")});
    EXPECT_EQ(list->IndexOf(QStringLiteral("urlaub")), 0);
    EXPECT_EQ(list->IndexOf(QStringLiteral("ärger")), 1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("KRANK")), 2);
    EXPECT_EQ(list->IndexOf(QStringLiteral("krank ")), -1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("arger")), -1);
}

TEST(CommaText, SelectionOfAListBox)
{
    QListWidget box;
    box.setSelectionMode(QAbstractItemView::MultiSelection);
    box.addItems({QStringLiteral("Holiday"), QStringLiteral("Sick"), QStringLiteral("Other"),
                  QStringLiteral("Training day")});
    box.item(2)->setSelected(true); // not in the list: gets deselected

    const TCommaText wanted(QStringLiteral("\"training DAY\",holiday,Missing"));
    wanted.ToSelection(&box);
    EXPECT_TRUE(box.item(0)->isSelected());
    EXPECT_FALSE(box.item(1)->isSelected());
    EXPECT_FALSE(box.item(2)->isSelected());
    EXPECT_TRUE(box.item(3)->isSelected());

    TCommaText taken(QStringLiteral("old"));
    taken.FromSelection(&box);
    EXPECT_EQ(taken.AsString(), QStringLiteral("Holiday,\"Training day\""));

    taken.ToSelection(nullptr); // no list box: nothing to do
    taken.FromSelection(nullptr);
    EXPECT_EQ(taken.Count(), 0);
}
