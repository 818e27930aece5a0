#pragma once

// Readable failure messages for the settings structs.

#include <ostream>

#include "document/DocumentSettings.h"
#include "window/ProgramSettings.h"

inline void PrintTo(const TSavedFilter &f, std::ostream *os)
{
    *os << "{" << f.Type << "," << f.SubType << ",'" << f.Text1.toStdString() << "','" << f.Text2.toStdString()
        << "'," << f.Table << ",'" << f.Group.toStdString() << "','" << f.Header.toStdString() << "'}";
}

inline void PrintTo(const TDocumentSettings &s, std::ostream *os)
{
    *os << "footer='" << s.Footer.toStdString() << "' header='" << s.Header.toStdString() << "' print=" << s.PrintToday
        << s.PrintHeader << s.PrintFooter << s.PrintFilename << s.PrintLochrand << " orientation=" << s.Orientation
        << " deny=" << s.DenyMoveBeforeNow << " editor=" << s.EditorWidth << "x" << s.EditorHeight << "/"
        << s.EditorWidthExclude << "x" << s.EditorHeightExclude << " pane=" << s.TimeChartHeight << " font='"
        << s.FontName.toStdString() << "' " << s.FontSize << " small=" << s.SmallTimeChartRowHeight << "/"
        << s.SmallTimeChartShownRowHeight << " start=" << s.LastTimeChartStart << " top=" << s.LastTimeChartTop
        << " row=" << s.RowHeight << " col=" << s.ColWidth << " zoom=" << s.Zoom << " transparency=" << s.Transparency
        << " filters=";
    for (const TSavedFilter &f : s.Filters)
        PrintTo(f, os);
}

inline void PrintTo(const TProgramSettings &s, std::ostream *os)
{
    *os << "language='" << s.Language.toStdString() << "' editor=" << s.EditorLeft << "," << s.EditorTop
        << " window=" << s.Left << "," << s.Top << " " << s.Width << "x" << s.Height << " options=" << s.DrawLines
        << s.DrawLinesMultiRow << s.Toolbar << s.SmallTimeChart << s.Table << s.StatusBar << s.EditorAsForm
        << s.HideRows << s.HideMultiRows << s.DrawFullText << s.LocalUndo << s.AutoScroll << s.NaturalScroll
        << s.AutoArrange << " files=" << s.LastFiles.join(QLatin1Char('|')).toStdString();
}
