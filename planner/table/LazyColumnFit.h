#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/DocumentTypes.h"

class TBaseTreeGrid;
class TPlannerCore;
class TPlannerTables;
class TTreeGridColumn;
struct TGridNode;

// The columns of a table, once fitted, follow what the rows in view need: a cell wider than
// its column, because its row came into view (a big table is fitted to the rows in view only:
// measuring every text at once would hold up the opening) or because it was written or
// pasted, widens the column as the fit measures it (TColumnFitter), before it is painted.
// Nothing narrows; a header cell that gets more to show (a caption, the sort glyph) widens
// its column as well. A column the user sized by hand keeps that width, through later fits
// too, until the user fits it again (a double click on its border, or the command); those
// widths are kept by the column's name in files (the untranslated caption of an absent-days
// column), so that they outlast a language switch, and follow a column renamed in the table
// setup. While the table is sorted by such a column, it is at least as wide as its caption
// and the sort glyph need. No column moves while a mouse button is held on the header, so
// that a press lands where it was aimed.
class TLazyColumnFit : public QObject
{
public:
    TLazyColumnFit(TPlannerCore &core, TPlannerTables &tables, TWhichTable table, QObject *parent = nullptr);
    ~TLazyColumnFit() override;

    // Tables of more rows are fitted to the rows in view.
    static constexpr int LazyRows = 2000;

    // The columns have just been fitted, to every row or to the rows in view: from now on
    // they follow the rows.
    void Start(bool everyRow);

    // The widths the user gave columns by hand, by column name, for the columns there are.
    std::map<QString, int> HandWidths() const;
    // The columns of these names take their widths and keep them; every other column follows
    // its rows. A name may also be a column's caption (as kept before names were).
    void SetHandWidths(const std::map<QString, int> &widths);
    // Sets the hand-sized columns to their widths again (after a fit of every column); the
    // column sorted by keeps room for its whole header.
    void ApplyHandWidths();
    // Every column follows its rows again.
    void ForgetHandWidths() { FHandWidths.clear(); }
    // Columns were renamed (pairs of old and new caption, all at once) or removed (an empty
    // new caption): their widths go with them.
    void ColumnsRenamed(const std::vector<std::pair<QString, QString>> &renames);
    // What the rows show changed without their texts (the language of yes/no cells): the
    // rows in view are measured again.
    void MeasureAgain();
    // The widths by column index, and back: for the same columns under other names (a new
    // document made again in another language).
    std::vector<int> HandWidthsByIndex() const;
    void SetHandWidthsByIndex(const std::vector<int> &widths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The name a column is kept by.
    QString Name(int column) const;
    bool Follows(const TTreeGridColumn *column) const;
    // Widens the following columns whose header cells show more than when they were fitted.
    void FollowHeaders();
    bool HeadersChanged() const;
    QStringList Captions() const;
    // The column the header draws the sort glyph in; NoColumn for none.
    int SortGlyphColumn() const;
    // Widens the following columns to the rows in view when one of them was not noted as
    // fitting yet.
    void FollowRowsInView();
    std::vector<TGridNode *> RowsInView() const;
    // What a row shows, in one number.
    std::size_t TextsStamp(TGridNode *node) const;
    // The rows fit the following columns as wide as they are now.
    void NoteFitting(const std::vector<TGridNode *> &rows);

    TPlannerCore &FCore;
    TPlannerTables &FTables;
    TWhichTable FTable;
    QPointer<TBaseTreeGrid> FGrid;
    QPointer<QWidget> FHeaderWidget;
    std::map<QString, int> FHandWidths;
    bool FActive = false;
    // A mouse button is down on the header.
    bool FHeld = false;
    // The rows measured as fitting, with the stamp of their texts then, and per column the
    // width they were noted at (-1: not following then). Scrolling back over them measures
    // nothing again.
    std::unordered_map<const TGridNode *, std::size_t> FFitting;
    std::vector<int> FFittedWidths;
    // What the header cells showed when they were last fitted: the captions and the sort column.
    QStringList FFittedCaptions;
    int FFittedSortColumn = -1;
    // A border drag moved the border (a click on it alone sizes nothing).
    bool FTracked = false;
};
