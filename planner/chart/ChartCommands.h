#pragma once

// The commands around the chart: the zoom and the transparency of filtered bars (menus and two
// hidden boxes), the chart font, the preset day widths, the bars' text layout per group tab,
// splitting a bar where the chart's menu was opened, the two colour panels, and the view
// options of the main window (toolbar, status bar, table, row lines, hiding empty rows).
// Everything it changes lives in the chart view, its options and the core, so that the
// settings store and apply it there; the controls here follow the view.

#include <QImage>
#include <QObject>
#include <QPointer>

#include <array>

#include "chart/ChartTypes.h"

class QAction;
class QComboBox;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class TColorPanel;
class TFontSizeComboBox;
class TPlannerCore;
class TScFontComboBox;
class TTimeChartMouse;
class TTimeChartView;

class TChartCommands : public QObject
{
    Q_OBJECT
public:
    // The day spans of the day-width presets, by tag.
    static constexpr std::array<int, 11> PresetDays{1, 2, 3, 7, 14, 21, 31, 62, 92, 182, 365};

    TChartCommands(QMainWindow &window, TTimeChartView &view, TTimeChartMouse &mouse);
    ~TChartCommands() override;

    // ---- zoom and transparency
    // z <= 0 does nothing.
    void SetZoom(int zoom);
    int GetZoom() const;
    void SetTransparency(int transparency);
    int GetTransparency() const;
    void ZoomComboBoxChange();
    void TransparenceComboBoxChange();

    // ---- fonts
    void FontSizeComboBox1Change();
    void ScFontComboBox1Change();

    // ---- text layouts and day widths
    void ItemStructClick(int tag);
    // The sample bar of a text layout, as the layout menu and its button show it.
    QImage RowSetPicture(TRowSet rowSet) const;
    void FixedColumnWidthClick(int tag);
    void ToolButton16Click(); // one pixel per day more
    void ToolButton20Click(); // one pixel per day less

    // ---- splitting a bar where the chart's menu was opened
    void ActionSplitExecute();

    // ---- view options
    void Werkzeugleisteanzeigen1Click();
    void Statuszeileanzeigen1Click();
    void Tabelleanzeigen1Click();
    void LinienzwischenArbeitspltze1Click();
    void leereArbeitspltzeausblenden1Click();
    // The About window: the splash picture in a bordered window with the credit line.
    void Info1Click();

    // The boxes, menus, the layout button and the colour panels show the view's values and
    // the document's lists again (after every outermost update of the document, too).
    void SyncControls();
    // The table area the "Table" option shows and hides.
    void SetTableArea(QWidget *panel) { FTableArea = panel; }

    // ---- controls (named as the window's)
    QToolBar *dfsToolBar2 = nullptr; // the toolbar
    QComboBox *ZoomComboBox = nullptr;
    QComboBox *TransparenceComboBox = nullptr;
    QMenu *KalendarZoom1 = nullptr;                  // "Timechart Zoom"
    QMenu *transparenzfrgefiltertAuftrge1 = nullptr; // "Transparency for filtered Tasks"
    TScFontComboBox *ScFontComboBox1 = nullptr;
    TFontSizeComboBox *FontSizeComboBox1 = nullptr;
    QMenu *ItemStructDropdownMenu = nullptr;
    std::array<QAction *, 3> ItemStruct{};            // ItemStruct1 .. ItemStruct3
    QToolButton *ToolButton12 = nullptr;              // the text layout
    QMenu *ColumnWidthPopupMenu = nullptr;
    QToolButton *ToolButton16 = nullptr;              // "Column width" +1 and the presets
    QToolButton *ToolButton20 = nullptr;              // "Column width" -1
    TColorPanel *ItemColorPanel = nullptr;
    TColorPanel *HolidayColorPanel = nullptr;
    QAction *ActionSplit = nullptr;                   // "Split Task here"
    QAction *Werkzeugleisteanzeigen1 = nullptr;       // "Toolbar"
    QAction *Statuszeileanzeigen1 = nullptr;          // "Status Bar"
    QAction *Tabelleanzeigen1 = nullptr;              // "Table" (a hidden item)
    QAction *LinienzwischenArbeitspltze1 = nullptr;   // "Lines between resources"
    QAction *LinienzwischenmultiArbeitspltze1 = nullptr;
    QAction *leereArbeitspltzeausblenden1 = nullptr;  // "Hide empty resources"
    QAction *leeremultiArbeitspltzeausblenden1 = nullptr;
    QAction *Info1 = nullptr;                         // "About"

private:
    void CreateZoomAndTransparency();
    void CreateToolBar();
    void CreateViewOptions();
    // One menu of percentages: each item tagged with its value.
    QMenu *PercentMenu(const char *name, const char *caption, const std::vector<std::pair<int, QString>> &items,
                       void (TChartCommands::*apply)(int));

    QMainWindow &FWindow;
    TTimeChartView &FView;
    TTimeChartMouse &FMouse;
    TPlannerCore &FCore;
    QPointer<QWidget> FTableArea;
    bool FSyncing = false;
};
