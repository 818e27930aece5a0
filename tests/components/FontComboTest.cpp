#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "FontCombobox.h"
#include "SVFontCombos.h"

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
