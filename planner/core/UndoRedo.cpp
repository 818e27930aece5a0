#include "core/UndoRedo.h"

#include <algorithm>
#include <exception>

#include "Bracket.h"
#include "Log.h"
#include "core/TextMap.h"

namespace {

// Old id -> new id of the rows re-created in a run. A new id is an old one again only when a row
// re-created in the run is re-created once more: only then are the ids followed further.
struct TRenamed
{
    TTextMap<QString> ids;
    bool chained = false;
    qsizetype expected = 0; // room made at the first rename: a run of cell writes renames none
};

// Replays one entry; a failing entry is logged and dropped so that the rest of its group
// and the stack's state survive it.
void ReplayEntry(TUndoRedoEntry &entry, TPlannerCore &mainForm)
{
    try {
        entry.Undo(mainForm);
    } catch (const std::exception &e) {
        Log(QStringLiteral("Undo: ") + QString::fromStdString(e.what()));
    } catch (...) {
        Log(QStringLiteral("Undo: unknown error"));
    }
}

// The id a row has now: a row may have been re-created more than once.
QString Renamed(const TRenamed &renamed, QString id)
{
    // Bounded: a reused id must not send this round in circles.
    for (qsizetype steps = 0; steps < renamed.ids.size(); ++steps) {
        const auto it = renamed.ids.constFind(id);
        if (it == renamed.ids.constEnd())
            break;
        id = it.value();
        if (!renamed.chained)
            break;
    }
    return id;
}

// Replays an entry under the id its row has now; a row it re-creates goes into `renamed`.
void ReplayRenamed(TUndoRedoEntry &entry, TPlannerCore &mainForm, TRenamed &renamed)
{
    const QString recorded = entry.FID;
    entry.RenameRows([&renamed](const QString &id) { return Renamed(renamed, id); });
    const QString oldID = entry.FID;
    ReplayEntry(entry, mainForm);
    if (entry.FID != oldID) {
        // The row had a new id in this run already.
        renamed.chained = renamed.chained || oldID != recorded;
        if (renamed.ids.size() == 0)
            renamed.ids.reserve(renamed.expected);
        renamed.ids.insert(oldID, entry.FID);
    }
}

// The entries of both lists name the re-created rows by their new ids; `fresh` entries at the end
// of `grown` came from the run itself and name its rows as they are.
void RenameAll(const TRenamed &renamed, TUndoRedoList &grown, std::size_t fresh, TUndoRedoList &other)
{
    if (renamed.ids.size() == 0)
        return;
    const auto rename = [&renamed](const QString &id) { return Renamed(renamed, id); };
    for (std::size_t i = 0; i + fresh < grown.size(); ++i)
        grown[i]->RenameRows(rename);
    for (auto &entry : other)
        entry->RenameRows(rename);
}

} // namespace

TUndoRedo::TUndoRedo()
{
    setObjectName(QStringLiteral("UndoRedo"));
}

TUndoRedo::~TUndoRedo() = default;

void TUndoRedo::Push(std::unique_ptr<TUndoRedoEntry> entry)
{
    if (!entry || !GetAcceptUndo())
        return;
    if (FUndoing)
        entry->FGroupIndex = FCurrentGroupIndex;
    else
        FRedoList.clear(); // a new action discards what could be redone
    if (FUndoing && !FRedoing)
        FRedoList.push_back(std::move(entry));
    else
        FUndoList.push_back(std::move(entry));
    // A run pushes an entry per step it replays; the actions show its end once it is over.
    if (!FUndoing)
        UpdateMainForm();
}

void TUndoRedo::Pop(TPlannerCore &mainForm)
{
    if (FUndoList.empty() || FUndoing)
        return;
    std::unique_ptr<TUndoRedoEntry> entry = std::move(FUndoList.back());
    FUndoList.pop_back();
    {
        TSuspendUndo suspended(*this);
        const QString oldID = entry->FID;
        ReplayEntry(*entry, mainForm);
        // A re-created row keeps the entries that name it usable.
        SwapID(oldID, entry->FID);
    }
    UpdateMainForm();
}

int TUndoRedo::TakeBackGroup(TPlannerCore &mainForm, int group)
{
    if (group == -1 || FUndoing)
        return 0;
    std::vector<std::unique_ptr<TUndoRedoEntry>> taken;
    for (auto i = qsizetype(FUndoList.size()) - 1; i >= 0; --i) {
        if (FUndoList[std::size_t(i)]->FGroupIndex != group)
            continue;
        taken.push_back(std::move(FUndoList[std::size_t(i)]));
        FUndoList.erase(FUndoList.begin() + i);
    }
    if (taken.empty())
        return 0;
    {
        TSuspendUndo suspended(*this);
        TRenamed renamed;
        for (auto &entry : taken)
            ReplayRenamed(*entry, mainForm, renamed);
        RenameAll(renamed, FUndoList, 0, FRedoList);
    }
    UpdateMainForm();
    return int(taken.size());
}

void TUndoRedo::UndoRedo(TUndoRedoList &list, TPlannerCore &mainForm)
{
    if (list.empty() || FUndoing)
        return;
    struct TRunState
    {
        TUndoRedo &stack;
        ~TRunState()
        {
            stack.FCurrentGroupIndex = -1;
            stack.FUndoing = false;
        }
    } runState{*this};
    FUndoing = true;
    const int group = list.back()->FGroupIndex;
    FCurrentGroupIndex = group;
    // The inverses go to the other list.
    TUndoRedoList &inverses = &list == &FUndoList ? FRedoList : FUndoList;
    const std::size_t before = inverses.size();

    // Rows re-created in this run, old id -> new id. The entries still to be replayed take
    // their new id when their turn comes, all others in one pass at the end: swapping in
    // both lists after every re-created row costs the square of a large cut.
    TRenamed renamed;
    // Room for the group's entries, which stand together at the end: counted only there.
    if (group != -1)
        for (auto it = list.rbegin(); it != list.rend() && (*it)->FGroupIndex == group; ++it)
            ++renamed.expected;
    for (auto i = qsizetype(list.size()) - 1; i >= 0; --i) {
        // Replaying must not touch this list, but stay safe should it shrink.
        if (std::size_t(i) >= list.size())
            continue;
        if (list[std::size_t(i)]->FGroupIndex != group)
            continue;
        std::unique_ptr<TUndoRedoEntry> entry = std::move(list[std::size_t(i)]);
        list.erase(list.begin() + i);
        ReplayRenamed(*entry, mainForm, renamed);
        // An entry outside any group is a step of its own.
        if (group == -1)
            break;
    }
    RenameAll(renamed, inverses, inverses.size() - std::min(before, inverses.size()), list);
}

void TUndoRedo::Undo(TPlannerCore &mainForm)
{
    if (FUndoing)
        return;
    // The lists show once the run is over, on every way out.
    const TBracket runEnd(nullptr, [this] { UpdateMainForm(); });
    UndoRedo(FUndoList, mainForm);
}

void TUndoRedo::Redo(TPlannerCore &mainForm)
{
    if (FUndoing)
        return;
    // The lists show once the run is over, on every way out.
    const TBracket runEnd(nullptr, [this] { UpdateMainForm(); });
    const TBracket redoing([this] { FRedoing = true; }, [this] { FRedoing = false; });
    UndoRedo(FRedoList, mainForm);
}

void TUndoRedo::Clear()
{
    FUndoList.clear();
    FRedoList.clear();
    UpdateMainForm();
}

TUndoRedo::TLists TUndoRedo::TakeLists()
{
    TLists lists{std::move(FUndoList), std::move(FRedoList)};
    FUndoList.clear();
    FRedoList.clear();
    UpdateMainForm();
    return lists;
}

void TUndoRedo::RestoreLists(TLists lists)
{
    FUndoList = std::move(lists.Undo);
    FRedoList = std::move(lists.Redo);
    UpdateMainForm();
}

TUndoRedoEntry *TUndoRedo::Last(const TUndoRedoList &list)
{
    return list.empty() ? nullptr : list.back().get();
}

void TUndoRedo::SwapID(const QString &oldID, const QString &newID)
{
    if (oldID == newID)
        return;
    const auto rename = [&](const QString &id) { return id == oldID ? newID : id; };
    for (TUndoRedoList *list : {&FUndoList, &FRedoList})
        for (auto &entry : *list)
            entry->RenameRows(rename);
}

void TUndoRedo::SetAcceptUndo(bool value)
{
    if (!value) {
        ++FDontAcceptUndoCounter;
        return;
    }
    // A resume without its suspension must not leave recording off for good.
    if (FDontAcceptUndoCounter > 0)
        --FDontAcceptUndoCounter;
    else
        Log(QStringLiteral("Undo: recording resumed without being suspended"));
}

int TUndoRedo::GetGroupIndex() const
{
    int highest = 0;
    for (const auto &entry : FUndoList)
        highest = std::max(highest, entry->FGroupIndex);
    return highest + 1;
}

void TUndoRedo::UpdateMainForm()
{
    emit MainFormUpdate();
}

TUndoRedo &UndoRedo()
{
    static TUndoRedo stack;
    return stack;
}
