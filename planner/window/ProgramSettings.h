#pragma once

// What the program keeps for this installation between runs: the window's layout, the view
// and edit options, the language and the recent files. These functions only turn the values
// into ini keys and back; the main window gathers and applies them.

#include <QString>
#include <QStringList>

class TCustomIniFile;

struct TProgramSettings
{
    QString Language = QStringLiteral("default");
    int EditorTop = 0;
    int EditorLeft = 0;
    int Width = 1024;
    int Height = 700;
    int Top = 0;
    int Left = 0;
    // ---- the View menu
    bool DrawLines = false;          // "Lines between resources"
    bool DrawLinesMultiRow = false;  // "Lines between multi-row resources"
    bool Toolbar = true;
    bool SmallTimeChart = true;      // "General View": the overview strip
    bool Table = true;
    bool StatusBar = true;
    bool EditorAsForm = false;       // "Editor as Window"
    bool HideRows = false;           // "Hide empty resources"
    bool HideMultiRows = false;      // "Hide empty multi-row resources"
    bool DrawFullText = false;       // read only: no menu sets it
    // ---- the Edit menu
    bool LocalUndo = true;
    bool AutoScroll = true;
    bool NaturalScroll = false;
    bool AutoArrange = false;
    // The recent files, the newest first.
    QStringList LastFiles;

    bool operator==(const TProgramSettings &) const = default;
};

// Reads every key; menu options without a key keep the state in `current` where the program
// ini has always done so, the others get their fixed defaults. Sizes are held to the screen
// sizes a window can have; a language that is no plain file name reads as the default.
TProgramSettings ReadProgramSettings(const TCustomIniFile &ini, const TProgramSettings &current);
void WriteProgramSettings(TCustomIniFile &ini, const TProgramSettings &settings);

// A language name is the base name of a file in the language folder, nothing more.
bool IsPlainLanguageName(const QString &name);
