#pragma once

// Lists of dated items: absent days, expanded public holidays and rows collected for the
// evaluations. The list owns its items; an item only points at the table row it came from.

#include "DateTime.h"

#include <QString>

#include <memory>
#include <vector>

// The planner's row record; items refer to it without owning it.
struct TNodeData;

class TDateListItem
{
public:
    TDateListItem() = default;
    TDateListItem(TDateTime start, TDateTime ende, int position, TNodeData *node, const QString &name);

    static std::unique_ptr<TDateListItem> create(TDateTime start, TDateTime ende, int position,
                                                 TNodeData *node, const QString &name);

    TDateTime start = 0;
    TDateTime ende = 0;
    int position = 0;         // the chart row; -9 for every row
    TNodeData *node = nullptr; // not owned
    QString name;
    double value = 0;
};

class tDateList
{
public:
    tDateList() = default;
    tDateList(const tDateList &) = delete;
    tDateList &operator=(const tDateList &) = delete;
    tDateList(tDateList &&) = default;
    tDateList &operator=(tDateList &&) = default;

    // Takes ownership; returns the new item's index. A null item is not added (-1).
    int Add(std::unique_ptr<TDateListItem> item);
    // Makes, adds and returns a new item, owned by the list.
    TDateListItem *Add(TDateTime start, TDateTime ende, int position, TNodeData *node,
                       const QString &name);
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }
    void Delete(int i);

    // Throws std::out_of_range outside 0..Count()-1.
    TDateListItem *GetItems(int i) const;
    TDateListItem *Items(int i) const { return GetItems(i); }

    // By start, equal starts by end, both ascending.
    void SortDate();

private:
    std::vector<std::unique_ptr<TDateListItem>> FItems;
};
