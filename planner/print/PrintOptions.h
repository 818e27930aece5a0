#pragma once

// The print options the main window keeps between printouts; the per-user document settings
// store them.

#include <QString>

struct TPrintOptions
{
    QString Footer;             // footer text of printouts
    QString Header;             // header text of printouts
    bool PrintToday = false;    // mark the current time on chart printouts
    bool PrintHeader = false;   // print the header text
    bool PrintFooter = false;   // print the footer text
    bool PrintFilename = true;  // print the document's file name
    bool PrintLochrand = false; // leave a margin for punched holes
    int Orientation = 0;        // the printer's page orientation: 0 portrait, 1 landscape

    bool operator==(const TPrintOptions &) const = default;
};
