#pragma once

#include <QObject>
#include <QPointer>

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <map>
#include <memory>

#include "core/DocumentObserver.h"
#include "core/DocumentTypes.h"

class QAction;
class QMenu;
class QWidget;
class TFilterPopup;
class TImageList;
class TLazyColumnFit;
class TPlannerCore;
class TPlannerTables;
struct TTGHeaderHitInfo;

// The tables' commands as the main window offers them: the Sort and Filter actions, the
// Filter and Sort menus, the column header's click and pop-up menu, and the filter pop-up
// dropped below a column header. The tables' column widths: fitted to the contents, following
// the rows, and the widths the user set by hand.
class TTableCommands : public QObject, private IDocumentObserver
{
    Q_OBJECT
public:
    TTableCommands(QWidget *window, TPlannerCore &core, TPlannerTables &tables);
    ~TTableCommands() override;

    QAction *ActionSort = nullptr;
    QAction *ActionFilter = nullptr;
    QAction *ActionClearFilter = nullptr;
    QAction *ActionClearAllFilters = nullptr;
    QAction *ActionAutoSize = nullptr; // "Optimize width of Table"
    // Rebuilt from the active table's columns whenever they open.
    QMenu *FilterMenu = nullptr;
    QMenu *SortMenu = nullptr;
    QMenu *HeaderPopupMenu = nullptr;

    TFilterPopup *FilterPopup() const { return FFilterPopup; }
    TImageList &Images() const { return *FImages; }

    // Drops the filter pop-up below the header of the active column of the active table and
    // takes its result when it closes with OK.
    void ActionFilterExecute();
    // A column header of a table was clicked: its filter symbol opens the filter, the right
    // button the header menu, any other left click sorts.
    void HeaderClick(TWhichTable table, const TTGHeaderHitInfo &hitInfo);
    // "Optimize width of Table": the active table's columns fit their contents, those sized
    // by hand included.
    void ActionAutoSizeExecute();
    // A table's columns fit their contents, bold rows and header captions included, except
    // the columns sized by hand. Lazily, a big table's columns fit the rows in view. From then
    // on the columns widen to the rows that come into view or change (TLazyColumnFit).
    void AutoFitColumns(TWhichTable table, bool lazily = false);
    // The widths the user set by hand in a table, by the names of the columns in files (the
    // untranslated caption of an absent-days column); they belong to the document shown and
    // go with it. Setting them takes a column's caption for its name too.
    std::map<QString, int> HandWidths(TWhichTable table) const;
    void SetHandWidths(TWhichTable table, const std::map<QString, int> &widths);
    // A new document made again in another language: its columns keep the widths set by hand
    // under their new captions.
    void RemakeKeepingHandWidths(const std::function<void()> &remake);
    // The language changed: yes/no cells show other words, the rows are measured again.
    void LanguageChanged();
    // The columns of both tables are noted before the document is replaced (another
    // instance's save); afterwards a table whose columns differ is fitted as after its setup.
    void NoteColumns();
    void FitChangedColumns();
    // The active table changed: the Sort menu shows the header's sort column again.
    void PageChanged();
    // Enables the actions for the active table and column.
    void UpdateActions();

private:
    void DocumentCleared() override;
    void FilterPopupDeactivate(TWhichTable table, int column);
    void FillFilterMenu();
    void FillSortMenu();
    void Sort();

    QPointer<QWidget> FWindow;
    TPlannerCore &FCore;
    TPlannerTables &FTables;
    std::unique_ptr<TImageList> FImages;
    TFilterPopup *FFilterPopup = nullptr; // owned by the window
    // The column the Sort command sorted last in each table (-1: none since the page changed).
    std::array<int, WhichTableCount> FLastSorted{-1, -1};
    std::array<std::unique_ptr<TLazyColumnFit>, WhichTableCount> FLazyFit;
    std::array<QStringList, WhichTableCount> FNotedColumns;
};
