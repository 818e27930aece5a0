#include "table/TableCommands.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>

#include "ImageList.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "dialogs/FilterPopup.h"
#include "table/ColumnFitter.h"
#include "table/FilterEngine.h"
#include "table/LazyColumnFit.h"
#include "table/PlannerTables.h"
#include "table/TableImages.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {

QAction *MakeAction(QObject *parent, const char *name, const char *caption)
{
    auto *action = new QAction(Translate(QString::fromLatin1(caption)), parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TTableCommands::TTableCommands(QWidget *window, TPlannerCore &core, TPlannerTables &tables)
    : QObject(window)
    , FWindow(window)
    , FCore(core)
    , FTables(tables)
    , FImages(TableImages::Create())
    , FFilterPopup(new TFilterPopup(window))
{
    ActionSort = MakeAction(this, "ActionSort", "Sort Column");
    ActionFilter = MakeAction(this, "ActionFilter", "Set Filter");
    ActionClearFilter = MakeAction(this, "ActionClearFilter", "Clear Filter");
    ActionClearAllFilters = MakeAction(this, "ActionClearAllFilters", "Clear all Filters");
    ActionClearAllFilters->setToolTip(Translate(QStringLiteral("Clear all Filters")));
    ActionAutoSize = MakeAction(this, "ActionAutoSize", "Optimize width of Table");
    connect(ActionAutoSize, &QAction::triggered, this, &TTableCommands::ActionAutoSizeExecute);
    connect(ActionSort, &QAction::triggered, this, &TTableCommands::Sort);
    connect(ActionFilter, &QAction::triggered, this, &TTableCommands::ActionFilterExecute);
    connect(ActionClearFilter, &QAction::triggered, this, [this] {
        FTables.ActionClearFilterExecute();
        UpdateActions();
    });
    connect(ActionClearAllFilters, &QAction::triggered, this, [this] {
        FTables.ActionClearAllFiltersExecute();
        UpdateActions();
    });

    FilterMenu = new QMenu(Translate(QStringLiteral("Filter")), window);
    FilterMenu->setObjectName(QStringLiteral("FilterMenu"));
    connect(FilterMenu, &QMenu::aboutToShow, this, &TTableCommands::FillFilterMenu);
    SortMenu = new QMenu(Translate(QStringLiteral("Sort")), window);
    SortMenu->setObjectName(QStringLiteral("SortMenu"));
    connect(SortMenu, &QMenu::aboutToShow, this, &TTableCommands::FillSortMenu);
    HeaderPopupMenu = new QMenu(window);
    HeaderPopupMenu->setObjectName(QStringLiteral("HeaderPopupMenu"));
    HeaderPopupMenu->addActions({ActionSort, ActionFilter, ActionClearFilter, ActionClearAllFilters});
    HeaderPopupMenu->addSeparator();
    HeaderPopupMenu->addAction(ActionAutoSize);
    connect(HeaderPopupMenu, &QMenu::aboutToShow, this, &TTableCommands::UpdateActions);

    for (TWhichTable table : {tbTable, tbExclude}) {
        TBaseTreeGrid *grid = FCore.GetTable(table);
        grid->Header()->SetImages(FImages.get());
        // Column hints carry the filter descriptions; a double click on a column's border
        // fits the column.
        grid->Header()->SetOptions(grid->Header()->Options()
                                   + TTGHeaderOptions{hoVisible, hoShowImages, hoShowSortGlyphs, hoShowHint,
                                                      hoDblClickResize});
        grid->OnHeaderClick = [this, table](TTreeGridHeader *, const TTGHeaderHitInfo &hitInfo) {
            HeaderClick(table, hitInfo);
        };
        grid->OnHeaderDrawQueryElements = [](TTreeGridHeader *, THeaderPaintInfo &, THeaderPaintElements &elements) {
            elements = THeaderPaintElements{hpeBackground};
        };
        // A click into the table chooses the column the commands act on.
        grid->OnFocusChanged = [this](TBaseTreeGrid *, TGridNode *, TColumnIndex column) {
            if (column >= 0)
                FTables.SetActiveColumn(column);
        };
        FLazyFit[table] = std::make_unique<TLazyColumnFit>(FCore, FTables, table);
    }
    FTables.OnColumnsRenamed = [this](TWhichTable table, const std::vector<std::pair<QString, QString>> &renames) {
        FLazyFit[table]->ColumnsRenamed(renames);
    };
    FCore.AddObserver(*this);
    UpdateActions();
}

TTableCommands::~TTableCommands()
{
    FCore.RemoveObserver(*this);
    FTables.OnColumnsRenamed = nullptr;
    for (TWhichTable table : {tbTable, tbExclude}) {
        if (TBaseTreeGrid *grid = FCore.GetTable(table)) {
            grid->OnHeaderClick = nullptr;
            grid->OnHeaderDrawQueryElements = nullptr;
            grid->OnFocusChanged = nullptr;
            grid->Header()->SetImages(nullptr);
        }
    }
}

void TTableCommands::UpdateActions()
{
    const int column = FTables.ActiveColumn();
    const bool valid = column >= 0 && column < FCore.GetTableColCount(FCore.GetActiveTable());
    ActionSort->setEnabled(valid);
    ActionFilter->setEnabled(valid);
    ActionClearFilter->setEnabled(valid);
    ActionClearAllFilters->setEnabled(FTables.ActionClearAllFiltersUpdate());
}

void TTableCommands::ActionAutoSizeExecute()
{
    // The user asks for every column as wide as its contents.
    FLazyFit[FCore.GetActiveTable()]->ForgetHandWidths();
    AutoFitColumns(FCore.GetActiveTable());
}

void TTableCommands::AutoFitColumns(TWhichTable table, bool lazily)
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    lazily = lazily && FCore.GetTableRowCount(table) > TLazyColumnFit::LazyRows;
    TColumnFitter fitter(FCore, FTables);
    if (lazily)
        fitter.FitRowsInView(table);
    else
        fitter.Fit(table);
    FLazyFit[table]->ApplyHandWidths();
    FLazyFit[table]->Start(!lazily);
}

std::map<QString, int> TTableCommands::HandWidths(TWhichTable table) const
{
    return FLazyFit[table]->HandWidths();
}

void TTableCommands::SetHandWidths(TWhichTable table, const std::map<QString, int> &widths)
{
    FLazyFit[table]->SetHandWidths(widths);
}

void TTableCommands::RemakeKeepingHandWidths(const std::function<void()> &remake)
{
    std::array<std::vector<int>, WhichTableCount> widths;
    for (TWhichTable table : {tbTable, tbExclude})
        widths[table] = FLazyFit[table]->HandWidthsByIndex();
    remake();
    for (TWhichTable table : {tbTable, tbExclude})
        FLazyFit[table]->SetHandWidthsByIndex(widths[table]);
}

void TTableCommands::LanguageChanged()
{
    for (TWhichTable table : {tbTable, tbExclude})
        FLazyFit[table]->MeasureAgain();
}

void TTableCommands::NoteColumns()
{
    for (TWhichTable table : {tbTable, tbExclude})
        FNotedColumns[table] = FCore.ColumnLayout(table);
}

void TTableCommands::FitChangedColumns()
{
    for (TWhichTable table : {tbTable, tbExclude})
        if (FCore.ColumnLayout(table) != FNotedColumns[table])
            AutoFitColumns(table, true);
}

void TTableCommands::DocumentCleared()
{
    for (TWhichTable table : {tbTable, tbExclude})
        FLazyFit[table]->ForgetHandWidths();
}

void TTableCommands::PageChanged()
{
    FLastSorted.fill(-1);
    UpdateActions();
}

void TTableCommands::Sort()
{
    const TWhichTable table = FCore.GetActiveTable();
    const int column = FTables.ActiveColumn();
    if (column < 0 || column >= FCore.GetTableColCount(table))
        return;
    FTables.ActionSortExecute();
    FLastSorted[table] = column;
}

void TTableCommands::HeaderClick(TWhichTable table, const TTGHeaderHitInfo &hitInfo)
{
    FCore.SetActiveTable(table);
    TBaseTreeGrid *grid = FCore.GetTable(table);
    const TTreeGridColumn *item = grid->Header()->Columns()->Items(hitInfo.Column);
    const int x = item ? hitInfo.X - item->Left() : -1;
    const Qt::MouseButton button = hitInfo.Button == mbLeft    ? Qt::LeftButton
                                   : hitInfo.Button == mbRight ? Qt::RightButton
                                                               : Qt::MiddleButton;
    switch (FTables.HeaderClick(hitInfo.Column, x, button)) {
    case TPlannerTables::hcFilter:
        ActionFilterExecute();
        break;
    case TPlannerTables::hcMenu:
        UpdateActions();
        HeaderPopupMenu->popup(QCursor::pos());
        break;
    case TPlannerTables::hcSort:
        Sort();
        break;
    case TPlannerTables::hcNone:
        break;
    }
    UpdateActions();
}

// ---- the filter pop-up

void TTableCommands::ActionFilterExecute()
{
    const TWhichTable table = FCore.GetActiveTable();
    const int column = FTables.ActiveColumn();
    TBaseTreeGrid *grid = FCore.GetTable(table);
    const TTreeGridColumn *item = grid ? grid->Header()->Columns()->Items(column) : nullptr;
    if (!item || !FWindow)
        return;
    FFilterPopup->SetValues(FTables.Filters().PopupValues(table, column));
    FFilterPopup->Column = column;
    FFilterPopup->Active = true;

    // Below the column's header, or above it when the screen ends first.
    const QPoint corner = grid->viewport()->mapToGlobal(QPoint(item->Left(), 0));
    const QScreen *screen = grid->screen() ? grid->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(QPoint(0, 0), corner + QPoint(1, 1));
    int left = corner.x();
    int top = corner.y();
    if (top + FFilterPopup->height() > area.bottom() + 1)
        top -= FFilterPopup->height() + grid->Header()->Height();
    if (left + FFilterPopup->width() > area.right() + 1)
        left = area.right() + 1 - FFilterPopup->width();
    if (FFilterPopup->RollDownForm(FWindow, left, top))
        FilterPopupDeactivate(table, column);
}

void TTableCommands::FilterPopupDeactivate(TWhichTable table, int column)
{
    FFilterPopup->Active = false;
    if (FFilterPopup->ModalResult() != mrOk)
        return;
    // The document may have changed while the pop-up was open.
    const THeaderData *header = FCore.GetHeader(table, column);
    if (!header)
        return;
    FTables.Filters().SetFilter(table, column, FTables.Filters().ParamsFromPopup(header->Filter, FFilterPopup->Values()));
    UpdateActions();
}

// ---- menus

void TTableCommands::FillFilterMenu()
{
    FilterMenu->clear();
    const TWhichTable table = FCore.GetActiveTable();
    for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
        const bool filtered = FCore.GetHeader(table, column)->IsFiltered();
        QAction *item = FilterMenu->addAction(FCore.GetColumnCaption(table, column));
        item->setIcon(QPixmap::fromImage(FImages->GetImage(filtered ? TableImages::Filter : TableImages::NoFilter)));
        item->setData(column);
        connect(item, &QAction::triggered, this, [this, column] {
            FTables.SetActiveColumn(column);
            ActionFilterExecute();
        });
    }
    FilterMenu->addSeparator();
    UpdateActions();
    FilterMenu->addAction(ActionClearAllFilters);
}

void TTableCommands::FillSortMenu()
{
    SortMenu->clear();
    const TWhichTable table = FCore.GetActiveTable();
    const int sortColumn = FCore.GetTable(table)->Header()->SortColumn();
    for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
        QAction *item = SortMenu->addAction(FCore.GetColumnCaption(table, column));
        item->setData(column);
        int image = -1;
        if (FLastSorted[table] >= 0) {
            if (column == FLastSorted[table])
                image = FCore.GetHeader(table, column)->SortAscending ? TableImages::Descending : TableImages::Ascending;
        } else if (column == sortColumn) {
            image = TableImages::SortColumn;
        }
        if (image >= 0)
            item->setIcon(QPixmap::fromImage(FImages->GetImage(image)));
        connect(item, &QAction::triggered, this, [this, column] {
            FTables.SetActiveColumn(column);
            Sort();
        });
    }
}
