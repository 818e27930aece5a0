// The chart's commands: zoom, transparency, fonts, text layouts and day widths, and the
// toolbar that carries their controls and the colour panels.

#include "chart/ChartCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include "Canvas.h"
#include "FontCombobox.h"
#include "Language.h"
#include "SVFontCombos.h"
#include "chart/BarPainter.h"
#include "chart/ColorPanel.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"

namespace {

// The number a box holds, or the default when it holds none.
int StrToIntDef(const QString &text, int def)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : def;
}

QComboBox *HiddenBox(QWidget *parent, const char *name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->addItems(items);
    box->hide();
    return box;
}

QToolButton *ToolButton(QWidget *parent, const char *name, const QString &text, const QString &hint)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

constexpr int SamplePictureWidth = 96;
constexpr int SamplePictureHeight = 34;

} // namespace

TChartCommands::TChartCommands(QMainWindow &window, TTimeChartView &view, TTimeChartMouse &mouse)
    : QObject(&window)
    , FWindow(window)
    , FView(view)
    , FMouse(mouse)
    , FCore(view.Core())
{
    CreateZoomAndTransparency();
    CreateToolBar();
    CreateViewOptions();
    ActionSplit = new QAction(Translate(QStringLiteral("Split Task here")), this);
    ActionSplit->setObjectName(QStringLiteral("ActionSplit"));
    connect(ActionSplit, &QAction::triggered, this, &TChartCommands::ActionSplitExecute);
    connect(&FView, &TTimeChartView::ViewChanged, this, &TChartCommands::SyncControls);
    // The colour panels flash with the selected bars.
    FView.OnFlashTick = [this] {
        (FCore.GetActiveTable() == tbTable ? ItemColorPanel : HolidayColorPanel)->update();
    };
    SyncControls();
}

TChartCommands::~TChartCommands()
{
    FView.OnFlashTick = nullptr;
}

// ---- zoom and transparency

QMenu *TChartCommands::PercentMenu(const char *name, const char *caption,
                                   const std::vector<std::pair<int, QString>> &items, void (TChartCommands::*apply)(int))
{
    auto *menu = new QMenu(Translate(QString::fromLatin1(caption)), &FWindow);
    menu->setObjectName(QString::fromLatin1(name));
    auto *group = new QActionGroup(menu);
    for (const auto &[tag, text] : items) {
        QAction *item = menu->addAction(text);
        item->setObjectName(QString::fromLatin1(name) + QString::number(tag));
        item->setData(tag);
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, apply, percent = tag] { (this->*apply)(percent); });
    }
    return menu;
}

void TChartCommands::CreateZoomAndTransparency()
{
    std::vector<std::pair<int, QString>> zooms;
    QStringList zoomTexts;
    for (int zoom : {25, 50, 75, 100, 150, 200}) {
        zooms.emplace_back(zoom, QStringLiteral("%1 %").arg(zoom));
        zoomTexts.append(QString::number(zoom));
    }
    KalendarZoom1 = PercentMenu("KalendarZoom1", "Timechart Zoom", zooms, &TChartCommands::SetZoom);
    std::vector<std::pair<int, QString>> levels;
    QStringList levelTexts;
    for (int level : {100, 90, 80, 70, 60, 50}) {
        levels.emplace_back(level, level == 100 ? Translate(QStringLiteral("100 % (invisible)"))
                                                : QStringLiteral("%1 %").arg(level));
        levelTexts.append(QString::number(level));
    }
    transparenzfrgefiltertAuftrge1 = PercentMenu("transparenzfrgefiltertAuftrge1", "Transparency for filtered Tasks",
                                                 levels, &TChartCommands::SetTransparency);
    // The menus show the values in force whenever they open (the settings may set them).
    for (QMenu *menu : {KalendarZoom1, transparenzfrgefiltertAuftrge1})
        connect(menu, &QMenu::aboutToShow, this, &TChartCommands::SyncControls);

    ZoomComboBox = HiddenBox(&FWindow, "ZoomComboBox", zoomTexts);
    TransparenceComboBox = HiddenBox(&FWindow, "TransparenceComboBox", levelTexts);
    connect(ZoomComboBox, &QComboBox::activated, this, &TChartCommands::ZoomComboBoxChange);
    connect(ZoomComboBox->lineEdit(), &QLineEdit::editingFinished, this, &TChartCommands::ZoomComboBoxChange);
    connect(TransparenceComboBox, &QComboBox::activated, this, &TChartCommands::TransparenceComboBoxChange);
    connect(TransparenceComboBox->lineEdit(), &QLineEdit::editingFinished, this,
            &TChartCommands::TransparenceComboBoxChange);
}

void TChartCommands::SetZoom(int zoom)
{
    FView.SetZoom(zoom);
}

int TChartCommands::GetZoom() const
{
    return std::max(1, FView.Geometry().Zoom());
}

void TChartCommands::SetTransparency(int transparency)
{
    FView.SetTransparency(transparency);
}

int TChartCommands::GetTransparency() const
{
    return FView.Options().transparency;
}

void TChartCommands::ZoomComboBoxChange()
{
    if (!FSyncing)
        SetZoom(StrToIntDef(ZoomComboBox->currentText(), 100));
}

void TChartCommands::TransparenceComboBoxChange()
{
    if (!FSyncing)
        SetTransparency(StrToIntDef(TransparenceComboBox->currentText(), 50));
}

// ---- the toolbar

void TChartCommands::CreateToolBar()
{
    dfsToolBar2 = new QToolBar(Translate(QStringLiteral("Toolbar")), &FWindow);
    dfsToolBar2->setObjectName(QStringLiteral("dfsToolBar2"));
    dfsToolBar2->setMovable(false);
    // The only picture on it is the text layout's sample bar.
    dfsToolBar2->setIconSize(QSize(SamplePictureWidth, SamplePictureHeight - 12));
    FWindow.addToolBar(Qt::TopToolBarArea, dfsToolBar2);

    ColumnWidthPopupMenu = new QMenu(&FWindow);
    ColumnWidthPopupMenu->setObjectName(QStringLiteral("ColumnWidthPopupMenu"));
    const char *const spans[] = {"1 day",   "2 days",  "3 days",   "1 week",   "2 weeks", "3 weeks",
                                 "1 month", "2 months", "3 months", "6 months", "1 year"};
    for (int tag = 0; tag < int(PresetDays.size()); ++tag) {
        QAction *item = ColumnWidthPopupMenu->addAction(Translate(QString::fromLatin1(spans[tag])));
        item->setObjectName(QStringLiteral("FixedColumnWidth%1").arg(tag));
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { FixedColumnWidthClick(tag); });
    }
    const QString widthHint = Translate(QStringLiteral("Column width"));
    ToolButton16 = ToolButton(dfsToolBar2, "ToolButton16", QStringLiteral("+"), widthHint);
    ToolButton16->setMenu(ColumnWidthPopupMenu);
    ToolButton16->setPopupMode(QToolButton::MenuButtonPopup);
    connect(ToolButton16, &QToolButton::clicked, this, &TChartCommands::ToolButton16Click);
    ToolButton20 = ToolButton(dfsToolBar2, "ToolButton20", QStringLiteral("-"), widthHint);
    connect(ToolButton20, &QToolButton::clicked, this, &TChartCommands::ToolButton20Click);
    dfsToolBar2->addWidget(ToolButton16);
    dfsToolBar2->addWidget(ToolButton20);
    dfsToolBar2->addSeparator();

    ScFontComboBox1 = new TScFontComboBox(dfsToolBar2);
    ScFontComboBox1->setObjectName(QStringLiteral("ScFontComboBox1"));
    ScFontComboBox1->setMinimumWidth(160);
    FontSizeComboBox1 = new TFontSizeComboBox(dfsToolBar2);
    FontSizeComboBox1->setObjectName(QStringLiteral("FontSizeComboBox1"));
    connect(ScFontComboBox1, &TScFontComboBox::OnChange, this, &TChartCommands::ScFontComboBox1Change);
    connect(FontSizeComboBox1, &TFontSizeComboBox::OnChange, this, &TChartCommands::FontSizeComboBox1Change);
    dfsToolBar2->addWidget(ScFontComboBox1);
    dfsToolBar2->addWidget(FontSizeComboBox1);

    ItemStructDropdownMenu = new QMenu(&FWindow);
    ItemStructDropdownMenu->setObjectName(QStringLiteral("ItemStructDropdownMenu"));
    for (int tag = 0; tag < 3; ++tag) {
        // Each item is its sample picture at full size.
        auto *item = new QWidgetAction(ItemStructDropdownMenu);
        item->setObjectName(QStringLiteral("ItemStruct%1").arg(tag + 1));
        item->setData(tag);
        auto *picture = new QToolButton;
        picture->setObjectName(QStringLiteral("ItemStructPicture%1").arg(tag + 1));
        picture->setAutoRaise(true);
        picture->setIconSize(QSize(SamplePictureWidth, SamplePictureHeight - 12));
        item->setDefaultWidget(picture);
        connect(picture, &QToolButton::clicked, this, [this, item] {
            item->trigger();
            ItemStructDropdownMenu->close();
        });
        connect(item, &QAction::triggered, this, [this, tag] { ItemStructClick(tag); });
        ItemStructDropdownMenu->addAction(item);
        ItemStruct[std::size_t(tag)] = item;
    }
    // The pictures show the captions of the table being worked on.
    connect(ItemStructDropdownMenu, &QMenu::aboutToShow, this, &TChartCommands::SyncControls);
    ToolButton12 = ToolButton(dfsToolBar2, "ToolButton12", QString(), Translate(QStringLiteral("Task layout")));
    ToolButton12->setMenu(ItemStructDropdownMenu);
    ToolButton12->setPopupMode(QToolButton::InstantPopup);
    ToolButton12->setIconSize(QSize(SamplePictureWidth, SamplePictureHeight - 12));
    dfsToolBar2->addWidget(ToolButton12);
    dfsToolBar2->addSeparator();

    auto *panels = new QWidget(dfsToolBar2);
    panels->setObjectName(QStringLiteral("ColorPanels"));
    auto *row = new QHBoxLayout(panels);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(10);
    ItemColorPanel = new TColorPanel(FView, tbTable, panels);
    HolidayColorPanel = new TColorPanel(FView, tbExclude, panels);
    row->addWidget(ItemColorPanel);
    row->addWidget(HolidayColorPanel);
    row->addStretch(1);
    dfsToolBar2->addWidget(panels);
}

// ---- fonts

void TChartCommands::FontSizeComboBox1Change()
{
    if (FSyncing)
        return;
    FView.SetTimeChartFontSize(StrToIntDef(FontSizeComboBox1->currentText(), FView.Geometry().GetTimeChartFontSize()));
}

void TChartCommands::ScFontComboBox1Change()
{
    if (FSyncing || ScFontComboBox1->BlnDown)
        return;
    const QString name = ScFontComboBox1->FontName();
    if (!name.isEmpty())
        FView.SetTimeChartFontName(name);
}

// ---- text layouts and day widths

void TChartCommands::ItemStructClick(int tag)
{
    FView.SetRowSet(RowSetOf(tag));
}

QImage TChartCommands::RowSetPicture(TRowSet rowSet) const
{
    QImage picture(SamplePictureWidth, SamplePictureHeight - 12, QImage::Format_RGB32);
    picture.fill(Qt::white);
    TCanvas canvas(&picture);
    canvas.IntersectClipRect(picture.rect());
    TChartPaintParams p;
    p.canvas = &canvas;
    p.screen = false;
    p.target = TChartTarget::Other;
    TBarPaint paint;
    paint.params = &p;
    paint.rowHeight = picture.height() - 4;
    paint.rowSet = rowSet;
    paint.fontName = FView.Geometry().FontName();
    paint.fontSize = 5;
    TBarPainter(FView.Model(), FView.Geometry(), FView.Options()).DrawItem(paint, FCore.GetActiveTable(), nullptr);
    return picture;
}

void TChartCommands::FixedColumnWidthClick(int tag)
{
    if (tag < 0 || tag >= int(PresetDays.size()))
        return;
    FView.SetTimeChartColWidth(FView.TimeChart->width() / PresetDays[std::size_t(tag)]);
}

void TChartCommands::ToolButton16Click()
{
    FView.SetTimeChartColWidth(FView.Geometry().ColWidth() + 1);
}

void TChartCommands::ToolButton20Click()
{
    FView.SetTimeChartColWidth(FView.Geometry().ColWidth() - 1);
}

// ---- controls follow the view

void TChartCommands::SyncControls()
{
    FSyncing = true;
    const int zoom = GetZoom();
    const int transparency = GetTransparency();
    const auto check = [](QMenu *menu, int value) {
        for (QAction *item : menu->actions())
            item->setChecked(item->data().toInt() == value);
    };
    check(KalendarZoom1, zoom);
    check(transparenzfrgefiltertAuftrge1, transparency);
    const QString zoomCaption = Translate(QStringLiteral("Timechart zoom (%s %)"), {QString::number(zoom)});
    KalendarZoom1->setTitle(zoomCaption);
    ZoomComboBox->setToolTip(zoomCaption);
    ZoomComboBox->setEditText(QString::number(zoom));
    const QString levelCaption =
        Translate(QStringLiteral("Transparency for filtered Tasks (%s %)"), {QString::number(transparency)});
    transparenzfrgefiltertAuftrge1->setTitle(levelCaption);
    TransparenceComboBox->setToolTip(levelCaption);
    TransparenceComboBox->setEditText(QString::number(transparency));

    const TTimeChartGeometry &g = FView.Geometry();
    {
        const QSignalBlocker fontBlocker(ScFontComboBox1);
        const QSignalBlocker sizeBlocker(FontSizeComboBox1);
        if (ScFontComboBox1->FontName() != g.FontName())
            ScFontComboBox1->SetFontName(g.FontName());
        if (FontSizeComboBox1->FontName() != g.FontName())
            FontSizeComboBox1->SetFontName(g.FontName());
        FontSizeComboBox1->setEditText(QString::number(g.FontSize()));
    }
    for (int tag = 0; tag < 3; ++tag) {
        const QIcon icon(QPixmap::fromImage(RowSetPicture(RowSetOf(tag))));
        ItemStruct[std::size_t(tag)]->setIcon(icon);
        if (auto *item = qobject_cast<QWidgetAction *>(ItemStruct[std::size_t(tag)]))
            if (auto *picture = qobject_cast<QToolButton *>(item->defaultWidget()))
                picture->setIcon(icon);
    }
    ToolButton12->setIcon(ItemStruct[std::size_t(g.RowSet())]->icon());
    ItemColorPanel->UpdateWidth();
    HolidayColorPanel->UpdateWidth();
    ItemColorPanel->update();
    HolidayColorPanel->update();
    FSyncing = false;
}
