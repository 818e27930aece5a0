#pragma once

// What one user keeps for one document: print options, editor sizes, the chart's font, zoom,
// transparency and position, and the column filters of the group tabs. The values live in
// an ini file in the document's working folder ("<identity>.ini"); these functions only turn
// them into keys and back, so they run without any window.

#include <QString>
#include <QtGlobal>

#include <vector>

#include "DateTime.h"

class TCustomIniFile;

// One column filter as the settings keep it: what table/Filter.h holds, by number.
struct TSavedFilter
{
    qint32 Type = 0;
    qint32 SubType = 0;
    QString Text1;
    QString Text2;
    qint32 Table = 0;
    QString Group;  // the caption of the group tab it belongs to
    QString Header; // the caption of the filtered column

    bool operator==(const TSavedFilter &) const = default;
};

// The width the user gave a table column by hand.
struct TSavedColumnWidth
{
    qint32 Table = 0;
    QString Header; // the column's name in files: its caption, untranslated for absent days
    qint32 Width = 0;

    bool operator==(const TSavedColumnWidth &) const = default;
};

struct TDocumentSettings
{
    // ---- printing
    QString Footer;
    bool PrintToday = false;
    QString Header;
    bool PrintHeader = false;
    bool PrintFooter = false;
    bool PrintFilename = true;
    bool PrintLochrand = false; // leave a margin for punched holes
    int Orientation = 0;        // 0 portrait, 1 landscape
    // ---- editing
    bool DenyMoveBeforeNow = false;
    int EditorWidth = 300;
    int EditorHeight = 300;
    int EditorWidthExclude = 300;
    int EditorHeightExclude = 300;
    // ---- the chart
    int TimeChartHeight = 300; // the chart pane above the tables
    QString FontName;
    int FontSize = 10;
    // The overview strip's pixels per chart row: as kept by the chart, and as measured from
    // the strip's height. Reading gives both the value that wins.
    int SmallTimeChartRowHeight = 2;
    int SmallTimeChartShownRowHeight = 2;
    TDateTime LastTimeChartStart = 0;
    int LastTimeChartTop = 0;
    int RowHeight = 54; // scaled to three text rows, as documents store it
    int ColWidth = 8;   // pixels per day at zoom 100
    int Zoom = 100;
    int Transparency = 50;
    // ---- the column filters of every group tab, in their order
    std::vector<TSavedFilter> Filters;
    // ---- the table columns the user sized by hand
    std::vector<TSavedColumnWidth> ColumnWidths;

    bool operator==(const TDocumentSettings &) const = default;
};

// The ranges values are held to when read: each feeds a size or a divisor.
namespace SettingsRange {
inline constexpr int MinFontSize = 1;
inline constexpr int MaxFontSize = 400;
inline constexpr int MaxColWidth = 10000;
inline constexpr int MaxZoom = 10000;
inline constexpr int MaxRowHeight = 10000;
inline constexpr int MaxSmallChartRowHeight = 1000;
inline constexpr int MinEditorSize = 20;
inline constexpr int MaxWindowSize = 16384;
inline constexpr int MaxChartTop = 1 << 30;
inline constexpr int MaxTableColumnWidth = 16384;
} // namespace SettingsRange

// One saved filter of a "Filter" N section, and whether it names a kind and table there are.
TSavedFilter ReadSavedFilter(const TCustomIniFile &ini, const QString &section);
bool IsKnownFilter(const TSavedFilter &filter);

// Reads every key; a key that is missing gives the value of `current` where the settings
// keep the present state, or its fixed default. A missing or empty file reads as defaults.
TDocumentSettings ReadDocumentSettings(const TCustomIniFile &ini, const TDocumentSettings &current);
// Writes every key in the order the settings file has always had, the column widths last;
// "Filter" and "ColumnWidth" sections beyond their counts are removed.
void WriteDocumentSettings(TCustomIniFile &ini, const TDocumentSettings &settings);

// The chart font size a settings section gives: its font size when it has one, else the one
// that suits its row height (files of older versions stored only that), else 10.
int FontSizeOfSection(const TCustomIniFile &ini, const QString &section);
