#pragma once

// The standard header and footer of every printout: an optional header text, the date the
// printout was made, an optional footer text, the document's file name, the program's credit
// and the page number. The lines are worked out first (testable as they are) and then handed
// to the page recorder.

#include <QString>

#include <functional>
#include <vector>

#include "Color.h"
#include "DateTime.h"
#include "PrintGrid.h"

class TPrintPreviewDialog;

// What a printout writes around its pages.
struct TPrintPageTexts
{
    QString footer; // empty: none
    QString header; // empty: none
    bool printFilename = false;
    QString fileName;
    bool lochrand = false; // the punch margin
};

// One header line (line >= 1, counted upwards from the body) or footer line (line <= -1,
// counted downwards) and the type it is written in.
struct TPageLine
{
    QString text;
    int line = 1;
    TPrintAlignment align = paLeft;
    int size = 10; // points
    TColor color = clBlack;
    bool operator==(const TPageLine &) const = default;
};

class TPageHeaderFooter
{
public:
    static constexpr TColor StandColor = 0x808080;
    static constexpr int HeaderSize = 20;
    static constexpr int FooterSize = 11;
    // The file name takes at most this share of the printable width.
    static constexpr double FileNameShare = 0.45;

    // The lines for a header and a footer text (empty: none) and a file name (empty: not
    // printed, else already shortened), made at `stand`. The page number shares the credit's
    // line unless it goes on a line of its own below (where the two would overlap).
    static std::vector<TPageLine> Lines(const QString &footer, const QString &header, const QString &fileName,
                                        TDateTime stand, bool pageNumberBelow = false);
    // Adds the lines to the recorder, which must have a page; its font is kept as it was.
    static void Add(TPrintPreviewDialog &recorder, const std::vector<TPageLine> &lines);
    // Lines and Add at once, the file name shortened to its share of the printable width; the
    // page number below the credit when the page is too narrow for both on one line.
    static void AddDefaultHeaderAndFooter(TPrintPreviewDialog &recorder, const QString &footer, const QString &header,
                                          bool printFilename, const QString &fileName);
    // A new job on the recorder with its first page, its punch margin, header and footer.
    static void StartJob(TPrintPreviewDialog &recorder, const TPrintPageTexts &texts);
    // A path shortened to maxWidth: leading folders give way to "..." one by one, then the
    // folders altogether, and a name that is still too wide is cut with an ellipsis.
    static QString MinimizeName(const QString &path, int maxWidth, const std::function<int(const QString &)> &width);
};
