#pragma once

// Rows compared with those of the same document read afresh: what the core keeps of each row
// beside its cells (caches, validity, the end) must be what reading the cells gives.

#include <map>
#include <string>

#include "planner/CoreTestSupport.h"

namespace freshdocument {

// What a row's caches and end are.
struct TRowState
{
    QString end;
    TDateTime start = 0;
    TDateTime endValue = 0;
    TDateTime termin = 0;
    int length = 0;
    int position = 0;
    int color = 0;
    bool valid = false;
    bool operator==(const TRowState &) const = default;
};

// Every row of both tables by its identity.
inline std::map<QString, TRowState> RowStates(TPlannerCore &core)
{
    std::map<QString, TRowState> states;
    for (TWhichTable table : {tbTable, tbExclude})
        core.ForEach(table, feAll, [&](TNodeData *node) {
            states[node->ID.Value()] = {core.GetData_(node, cnEnd), node->nodeStart, node->nodeEnd, node->nodeTermin,
                                        node->nodeLength, node->nodePosition, node->nodeColor, node->nodeValid};
        });
    return states;
}

// Saves the document of `file` as `path`, reads it into a core of its own and expects every
// row there as it is in `core`; `after` names the step in the failure messages.
inline void ExpectLikeAFreshDocument(TPlannerCore &core, TDocumentFile &file, const QString &path,
                                     const std::string &after)
{
    ASSERT_TRUE(testsupport::writeFile(path, file.SaveToBuffer(false))) << after;
    TOtherDocument fresh;
    ASSERT_TRUE(fresh.file->LoadFrom(path)) << after;
    const auto mine = RowStates(core);
    const auto theirs = RowStates(fresh.core);
    ASSERT_EQ(mine.size(), theirs.size()) << after;
    for (const auto &[id, state] : mine) {
        ASSERT_TRUE(theirs.count(id)) << after << " " << id.toStdString();
        const TRowState &other = theirs.at(id);
        const std::string where = after + " " + id.toStdString();
        EXPECT_EQ(state.end, other.end) << where;
        EXPECT_EQ(state.start, other.start) << where;
        EXPECT_EQ(state.endValue, other.endValue) << where;
        EXPECT_EQ(state.termin, other.termin) << where;
        EXPECT_EQ(state.length, other.length) << where;
        EXPECT_EQ(state.position, other.position) << where;
        EXPECT_EQ(state.color, other.color) << where;
        EXPECT_EQ(state.valid, other.valid) << where;
    }
}

} // namespace freshdocument
