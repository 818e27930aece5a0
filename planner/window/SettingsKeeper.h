#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

#include "document/DocumentSettings.h"
#include "print/PrintOptions.h"
#include "window/ProgramSettings.h"

class QAction;
class QMainWindow;
class QMenu;
class QSplitter;
class TDocumentFile;
class TFilterEngine;
class TPlannerCore;
class TPropertyEditor;
class TRecentFiles;
class TTableCommands;
class TTimeChartView;

// Keeps what the program ini and the per-user document settings hold: it gathers the values
// from the window and its parts, writes them, reads them back and applies them. A value whose
// control does not exist (yet) is kept here, so it survives the round trip unchanged.
class TSettingsKeeper : public QObject
{
    Q_OBJECT
public:
    // The per-user settings file lies in the working folder of the document `file` keeps.
    TSettingsKeeper(QMainWindow &window, TPlannerCore &core, TDocumentFile &file, TRecentFiles &recentFiles,
                    QObject *parent);

    // The program ini (platform::programIniPath() unless set).
    QString IniFileName() const { return FIniFileName; }
    void SetIniFileName(const QString &fileName) { FIniFileName = fileName; }

    // ---- the program ini
    TProgramSettings CurrentProgramSettings() const;
    void ApplyProgramSettings(const TProgramSettings &settings);
    void LoadIni();
    // False (logged) when the file could not be written.
    bool SaveIni();

    // ---- the per-user settings of the open document
    TDocumentSettings CurrentDocumentSettings() const;
    void ApplyDocumentSettings(const TDocumentSettings &settings);
    // Nothing for a document without a name.
    void LoadFileIni();
    bool SaveFileIni();
    // The settings an imported document of the old format carried; they count as the
    // document's own until the user's settings file exists.
    void TakeImportedSettings();

    // ---- the language
    QString Language() const { return FLanguage; }
    // The language file "<name>.lng" from the language folders; a name without a file gives
    // the built-in texts. Every window is translated again.
    void SetLanguage(const QString &name);
    // The language file of a name; empty when there is none.
    static QString LanguageFile(const QString &name);
    // The names of the language files found, for the menu.
    static QStringList LanguageNames();
    // Fills the language menu (as it opens): one item per language file, the current checked.
    void FillLanguageMenu(QMenu *menu);

    // The parts that hold some of the values, once they exist.
    void SetFilterEngine(TFilterEngine *engine) { FFilterEngine = engine; }
    // The chart and the splitter between it and the tables.
    void SetTimeChart(TTimeChartView *chart, QSplitter *splitter);
    void SetEditor(TPropertyEditor *editor) { FEditor = editor; }
    // Keeps the widths of the table columns the user sized by hand.
    void SetTableCommands(TTableCommands *commands);

    // Starts a new empty document through the window.
    std::function<void()> OnNewDocument;
    // The print options the window keeps between printouts.
    std::function<TPrintOptions()> OnGetPrintOptions;
    std::function<void(const TPrintOptions &)> OnSetPrintOptions;
    // After a language switch, for the texts the translation of the windows does not reach:
    // hints inside fields and lines the program fills itself.
    std::function<void()> OnLanguageChanged;
    // Called after each file was written ("program ini" or "file ini"), for observers.
    std::function<void(const QString &which)> OnWritten;

private:
    QAction *Option(const char *name) const;
    bool OptionState(const char *name, bool kept) const;
    // Sets the option's check mark through its command, so whatever it switches follows.
    void ApplyOption(const char *name, bool value);

    QMainWindow &FWindow;
    TPlannerCore &FCore;
    TDocumentFile &FFile;
    TRecentFiles &FRecentFiles;
    QString FIniFileName;
    QString FLanguage;
    TFilterEngine *FFilterEngine = nullptr;
    QPointer<TTimeChartView> FChart;
    QPointer<QSplitter> FSplitter;
    QPointer<TPropertyEditor> FEditor;
    QPointer<TTableCommands> FTableCommands;
    // The values whose controls do not exist yet, as last read or applied.
    TProgramSettings FProgram;
    TDocumentSettings FDocument;
    // Options kept here while their menu item is missing or disabled: the user's last choice.
    std::map<QString, bool> FOptions;
    bool FOptionsWatched = false;
};
