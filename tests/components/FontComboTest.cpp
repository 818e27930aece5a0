#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "FontCombobox.h"
#include "SVFontCombos.h"

#include <memory>

namespace {

class TestFontBox : public TScFontComboBox
{
public:
    QList<TFontEntry> Fonts;

protected:
    QList<TFontEntry> EnumerateFonts() const override { return Fonts; }
};

QList<TFontEntry> SampleFonts()
{
    return {{"Arial Black", ftTrueTypeAnsi}, {"Arial", ftTrueTypeAnsi},   {"Symbol", ftTrueTypeSymbol},
            {"@MS Gothic", ftTrueTypeAnsi},  {"Fixedsys", ftRaster},      {"DejaVu Sans Mono", ftTrueTypeAnsi},
            {"Mono", ftTrueTypeAnsi},        {"Courier", ftTrueTypeAnsi}, {"Verdana", ftTrueTypeAnsi},
            {"Tahoma", ftTrueTypeAnsi}};
}

class TestSizeBox : public TFontSizeComboBox
{
public:
    bool Scalable = true;
    QList<int> Heights;

protected:
    bool EnumerateSizes(const QString &, QList<int> &rasterHeights) const override
    {
        rasterHeights = Heights;
        return Scalable;
    }
    int MeasurePixelsPerInch() const override { return 96; }
};

} // namespace

TEST(FontCombo, ListFiltersTypesAndSorts)
{
    TestFontBox box;
    box.Fonts = SampleFonts();
    box.GetFontNames();
    EXPECT_EQ(box.Lines(), (QStringList{"Arial=TA", "Arial Black=TA", "Courier=TA", "DejaVu Sans Mono=TA", "Mono=TA",
                                        "Symbol=TS", "Tahoma=TA", "Verdana=TA"}));
    box.SetFontTypes(ftTrueTypeAnsi | ftTrueTypeSymbol | ftRaster);
    box.GetFontNames();
    EXPECT_TRUE(box.Lines().contains(QStringLiteral("Fixedsys=R")));
    EXPECT_FALSE(box.Lines().join(QLatin1Char(',')).contains(QLatin1Char('@')));
}

TEST(FontCombo, FontNameMatchesTheWholeFamily)
{
    TestFontBox box;
    box.Fonts = SampleFonts();
    box.GetFontNames();
    box.SetFontName(QStringLiteral("Arial"));
    EXPECT_EQ(box.FontName(), QStringLiteral("Arial"));
    EXPECT_EQ(box.currentText(), QStringLiteral("Arial=TA"));
    box.SetFontName(QStringLiteral("Mono"));
    EXPECT_EQ(box.FontName(), QStringLiteral("Mono"));
    EXPECT_EQ(box.currentText(), QStringLiteral("Mono=TA"));
    box.SetFontName(QStringLiteral("Nope"));
    EXPECT_EQ(box.FontName(), QStringLiteral("Mono"));
}

TEST(FontCombo, RecentlyUsedBlockKeepsTheLastFive)
{
    TestFontBox box;
    box.Fonts = SampleFonts();
    box.GetFontNames();
    const int listed = box.count();
    for (const char *name : {"Verdana", "Tahoma", "Courier", "Symbol", "Arial Black", "Mono"})
        box.SetFontName(QString::fromLatin1(name));
    EXPECT_EQ(box.IntCountUsed, 5);
    EXPECT_EQ(box.count(), listed + 5);
    EXPECT_EQ(box.Lines().mid(0, 5),
              (QStringList{"Mono=TA", "Arial Black=TA", "Symbol=TS", "Courier=TA", "Tahoma=TA"}));
    EXPECT_EQ(box.currentIndex(), 0);
    // Choosing a font of the block moves it to the top without growing the block.
    box.setCurrentIndex(3);
    box.ChooseFont();
    EXPECT_EQ(box.IntCountUsed, 5);
    EXPECT_EQ(box.Lines().mid(0, 3), (QStringList{"Courier=TA", "Mono=TA", "Arial Black=TA"}));
    EXPECT_EQ(box.FontName(), QStringLiteral("Courier"));
}

TEST(FontCombo, ClosingTheListChoosesAndReportsOnce)
{
    TestFontBox box;
    box.Fonts = SampleFonts();
    box.GetFontNames();
    box.SetShowPreview(true);
    box.SetPreviewText(QStringLiteral("Sample"));
    box.show();
    QSignalSpy clicks(&box, &TScFontComboBox::OnClick);
    QSignalSpy changes(&box, &TScFontComboBox::OnChange);
    box.showPopup();
    EXPECT_TRUE(box.BlnDown);
    EXPECT_TRUE(box.FormExample()->isVisible());
    box.setCurrentIndex(box.findText(QStringLiteral("Tahoma=TA")));
    const int changesWhileDown = changes.count();
    box.hidePopup();
    // Closed without a pick in the list (Escape, a click outside): filed once the close is done.
    QCoreApplication::processEvents();
    EXPECT_FALSE(box.BlnDown);
    EXPECT_FALSE(box.FormExample()->isVisible());
    EXPECT_EQ(box.FontName(), QStringLiteral("Tahoma"));
    EXPECT_EQ(box.Lines().first(), QStringLiteral("Tahoma=TA"));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(changes.count(), changesWhileDown + 1);
}

TEST(FontSizeCombo, ScalableAndRasterLists)
{
    TestSizeBox box;
    box.setEditText(QStringLiteral("12"));
    QSignalSpy changes(&box, &TFontSizeComboBox::OnChange);
    box.SetFontName(QStringLiteral("Arial"));
    EXPECT_EQ(box.count(), 16);
    EXPECT_EQ(box.itemText(0), QStringLiteral("8"));
    EXPECT_EQ(box.itemText(15), QStringLiteral("72"));
    EXPECT_EQ(box.currentText(), QStringLiteral("12"));
    EXPECT_EQ(changes.count(), 1);

    // Unordered raster heights with repeats: 13 px and 12 px both give 9 and 10 points at 96 dpi.
    box.Scalable = false;
    box.Heights = {27, 13, 16, 12, 16, 20};
    box.SetFontName(QStringLiteral("Fixedsys"));
    QStringList sizes;
    for (int i = 0; i < box.count(); ++i)
        sizes << box.itemText(i);
    EXPECT_EQ(sizes, (QStringList{"9", "10", "12", "15", "20"}));
    EXPECT_EQ(box.currentText(), QStringLiteral("12")); // kept and found in the new list
    EXPECT_EQ(box.currentIndex(), 2);
    EXPECT_EQ(changes.count(), 2);
}

TEST(FontCombo, InstalledFontsLoadOnFirstUse)
{
    TScFontComboBox box;
    box.SetFontName(QStringLiteral("DejaVu Sans"));
    ASSERT_GT(box.count(), 0);
    EXPECT_EQ(box.FontName(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(box.Lines().first(), QStringLiteral("DejaVu Sans=TA"));
    EXPECT_TRUE(box.Lines().contains(QStringLiteral("DejaVu Sans Mono=TA")));
    for (const QString &line : box.Lines())
        EXPECT_TRUE(line.endsWith(QLatin1String("=TA")) || line.endsWith(QLatin1String("=TS"))) << line.toStdString();
}

namespace {

// A font box in a shown window; its list is opened and picked from with the mouse.
struct FontBoxClicks : ::testing::Test {
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(260, 80);
        box = new TestFontBox;
        box->setParent(window.get());
        box->Fonts = SampleFonts();
        box->setGeometry(10, 10, 220, 26);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // Opens the list with a click on the box and clicks the line that holds the name: the
    // first such line, or with fromFullList its line below the recently used block.
    void Pick(const QString &name, bool fromFullList = false)
    {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 8, box->height() / 2));
        ASSERT_TRUE(box->view()->isVisible());
        QAbstractItemView *list = box->view();
        int row = -1;
        for (int i = fromFullList ? box->IntCountUsed : 0; row < 0 && i < box->count(); ++i)
            if (box->itemText(i).startsWith(name + QLatin1Char('=')))
                row = i;
        ASSERT_GE(row, 0);
        // In the middle of the list, clear of the scroll arrows a long list shows at its ends.
        list->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtCenter);
        // Each pick a little further along the line: the same spot again at once would be a
        // double click, which the list does not take as a pick.
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center() + QPoint((picks++ % 5) * 12 - 24, 0);
        QTest::mouseMove(list->viewport(), at);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(box->view()->isVisible());
    }

    std::unique_ptr<QWidget> window;
    TestFontBox *box = nullptr;
    int picks = 0;
};

} // namespace

TEST_F(FontBoxClicks, APickFromTheListIsFiledAtOnceAndReportedWithItsName)
{
    QStringList reported;
    int clicks = 0;
    QObject::connect(box, &TScFontComboBox::OnChange, box, [&] {
        if (!box->BlnDown)
            reported << box->FontName();
    });
    QObject::connect(box, &TScFontComboBox::OnClick, box, [&] { ++clicks; });

    Pick(QStringLiteral("Tahoma"));
    EXPECT_EQ(box->FontName(), QStringLiteral("Tahoma"));
    EXPECT_FALSE(box->BlnDown);
    EXPECT_EQ(box->IntCountUsed, 1);
    EXPECT_EQ(box->Lines().first(), QStringLiteral("Tahoma=TA"));
    EXPECT_EQ(box->currentText(), QStringLiteral("Tahoma=TA"));
    EXPECT_EQ(reported, QStringList{QStringLiteral("Tahoma")});
    EXPECT_EQ(clicks, 1);

    // The next pick heads the block at once, the one before it follows.
    Pick(QStringLiteral("Courier"));
    EXPECT_EQ(box->FontName(), QStringLiteral("Courier"));
    EXPECT_EQ(box->Lines().mid(0, 2), (QStringList{"Courier=TA", "Tahoma=TA"}));
    EXPECT_EQ(reported, (QStringList{"Tahoma", "Courier"}));
    EXPECT_EQ(clicks, 2);

    // Nothing more arrives later from the event loop.
    QCoreApplication::processEvents();
    EXPECT_EQ(box->Lines().mid(0, 2), (QStringList{"Courier=TA", "Tahoma=TA"}));
    EXPECT_EQ(reported.size(), 2);
    EXPECT_EQ(clicks, 2);
}

TEST_F(FontBoxClicks, EscapeClosesWithoutAPickAndKeepsTheChoice)
{
    Pick(QStringLiteral("Verdana"));
    ASSERT_EQ(box->FontName(), QStringLiteral("Verdana"));
    QSignalSpy changes(box, &TScFontComboBox::OnChange);
    QSignalSpy clicks(box, &TScFontComboBox::OnClick);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 8, box->height() / 2));
    ASSERT_TRUE(box->view()->isVisible());
    // Moving over another line highlights it; Escape leaves it unpicked.
    QAbstractItemView *list = box->view();
    const int row = box->findText(QStringLiteral("Arial=TA"));
    QTest::mouseMove(list->viewport(), list->visualRect(list->model()->index(row, 0)).center());
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(box->view()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(box->BlnDown);
    EXPECT_EQ(box->FontName(), QStringLiteral("Verdana"));
    EXPECT_EQ(box->Lines().first(), QStringLiteral("Verdana=TA"));
    EXPECT_EQ(box->IntCountUsed, 1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FontBoxClicks, AFontPickedAgainFromTheFullListMovesUpInTheRecentlyUsedBlock)
{
    const int listed = box->count();
    Pick(QStringLiteral("Tahoma"));
    // The same font from the full list again and again: one line of it in the block.
    for (int i = 0; i < 4; ++i)
        Pick(QStringLiteral("Courier"), true);
    EXPECT_EQ(box->Lines().mid(0, box->IntCountUsed), (QStringList{"Courier=TA", "Tahoma=TA"}));
    for (const char *name : {"Verdana", "Arial", "Mono"})
        Pick(QString::fromLatin1(name), true);
    // A font of the block picked from the full list moves to the top; nothing is pushed out.
    Pick(QStringLiteral("Courier"), true);
    EXPECT_EQ(box->FontName(), QStringLiteral("Courier"));
    EXPECT_EQ(box->Lines().mid(0, box->IntCountUsed),
              (QStringList{"Courier=TA", "Mono=TA", "Arial=TA", "Verdana=TA", "Tahoma=TA"}));
    // A sixth different font pushes out the oldest.
    Pick(QStringLiteral("Symbol"), true);
    EXPECT_EQ(box->Lines().mid(0, box->IntCountUsed),
              (QStringList{"Symbol=TS", "Courier=TA", "Mono=TA", "Arial=TA", "Verdana=TA"}));
    EXPECT_EQ(box->count(), listed + box->IntCountUsed);
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(box->currentText(), QStringLiteral("Symbol=TS"));
}
