#pragma once

// The document's setup as the setup dialogs edit it: what is read from the document when a
// setup dialog opens, and what goes back when one of them is confirmed. Plain values, so the
// reading and the applying are tested without any window.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

#include "core/DocumentTypes.h"
#include "core/HolidayData.h"

// One column of the task table in the table setup.
struct TTableSetupColumn
{
    QString Caption;
    TColumnType Type = ctText;
    // The value list, one entry per line (each a comma text whose first item is the value).
    QStringList Strings;
    // The column's index when the setup was read; -1 for a column added since.
    int SourceIndex = -1;

    bool operator==(const TTableSetupColumn &) const = default;
};

struct TTableSetup
{
    std::vector<TTableSetupColumn> Columns;
    // Per connection the entry of Columns it is connected to, -1 for none.
    std::array<int, ConnectionCount> Connections{};

    TTableSetup() { Connections.fill(-1); }
    bool operator==(const TTableSetup &) const = default;
};

// One position (resource) in the positions setup.
struct TPositionSetupEntry
{
    // The whole entry of the position list (name, week, rows, description).
    QString Entry;
    // The entry's index in the position list when the setup was read; -1 for a new one.
    int SourceIndex = -1;

    bool operator==(const TPositionSetupEntry &) const = default;
};

struct TPositionsSetup
{
    std::vector<TPositionSetupEntry> Entries;
    TMinUnit Unit = muDay;

    bool operator==(const TPositionsSetup &) const = default;
};

// One group tab after the first ("all positions").
struct TGroupSetup
{
    QString Caption;
    // The positions shown, as indexes into TGroupsSetup::Names.
    std::vector<int> Checked;

    bool operator==(const TGroupSetup &) const = default;
};

struct TGroupsSetup
{
    // The position names offered, in position-list order, as read.
    QStringList Names;
    // The caption of the first tab, which always shows every position.
    QString FirstCaption;
    std::vector<TGroupSetup> Groups;

    bool operator==(const TGroupsSetup &) const = default;
};

struct TAbsenceSetup
{
    // The absence reasons, one per line as typed (empty lines are dropped when applied).
    QStringList Reasons;
    QString DefaultReason;
    bool CalcWorkdays = true;

    bool operator==(const TAbsenceSetup &) const = default;
};

// The whole setup as read from the document.
struct TDocumentSetup
{
    TTableSetup Table;
    TPositionsSetup Positions;
    TGroupsSetup Groups;
    std::vector<THolidayData> Holidays;
    TAbsenceSetup Absence;

    bool operator==(const TDocumentSetup &) const = default;
};

// What is applied: only the parts whose dialog was shown since the setup was read.
struct TSetupChanges
{
    std::optional<TTableSetup> Table;
    std::optional<TPositionsSetup> Positions;
    std::optional<TGroupsSetup> Groups;
    std::optional<std::vector<THolidayData>> Holidays;
    std::optional<TAbsenceSetup> Absence;

    bool Empty() const { return !Table && !Positions && !Groups && !Holidays && !Absence; }
};
