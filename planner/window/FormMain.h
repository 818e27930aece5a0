#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "document/DocumentFile.h"
#include "sync/DocumentSync.h"
#include "print/PrintOptions.h"

class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QSplitter;
class TTimeChartView;
class QTabBar;
class QTabWidget;
class TArchivDialog;
class TSetupDialogs;
class TChartCommands;
class TDocumentMenus;
class TInstanceLink;
class TInstanceMenu;
class TPlannerTables;
class TPrintListDialog;
class TPrintPreviewDialog;
class TPrintTimeChartDialog;
class TOverlapSolver;
class TPowerWatch;
class TRecentFiles;
class TSettingsKeeper;
class TPropertyEditor;
class TRowClipboard;
class QDialog;
class QLineEdit;
class QToolBar;
class QToolButton;
class TChartDialog;
class TEvaluations;
class TGotoDialog;
class THolidayDialog;
class TStatisticsDialog;
class TTableSearch;
class TSaveGraphics;
class TStringTreeGrid;
class TTableCommands;
class TTimeChartMouse;
class TUpdateNotice;
class TWindowCaption;

// The main window. It owns the document (its planner core, the core's synchronisation with the
// other instances and its document file) and shows both tables; every change of the document
// goes through the core.
class TMainForm : public QMainWindow, public IPlannerWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The document: its model, its synchronisation with the other instances, its file.
    TPlannerCore &Core() const { return *FCore; }
    TDocumentSync &Sync() const { return *FSync; }
    TDocumentFile &File() const { return *FFile; }

    // A new empty document, whatever the current one holds (the start, the roads that
    // replace a document after asking).
    void ActionNewExecute();
    // File > New: the current document goes only as closing lets it (asked like Close and Open).
    void ActionNewClick();
    // Opens a document; failures are logged (the user has seen their message).
    void Open(const QString &fileName);
    void ActionOpenExecute();
    // Save under the document's name (Save As without one); Save As with the save dialog.
    void ActionSaveExecute();
    void ActionSaveAsExecute();
    // The program's arguments (without the program name): exactly one names a document; with
    // none or several nothing is opened and the last document is not reopened.
    void OpenCommandLine(const QStringList &arguments);
    void ActionCloseExecute();
    void ActionAddNodeExecute();
    void ActionDeleteNodeExecute();
    void ActionUndoExecute();
    void ActionRedoExecute();
    // Files dropped on the window: exactly one is opened.
    void DropFiles(const QStringList &fileNames);

    // IPlannerWindow
    void InvalidateRow(TNodeData &node) override;
    void InvalidateChart() override;
    void SetStatusText(int panel, const QString &text) override;
    void SetSharingNotice(const QString &text) override;
    void ShowStatusMessage(const QString &text) override;
    int Ask(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    void SetBusyCursor(bool busy) override;
    void ActiveTableChanged() override;
    bool ActivateOtherInstance(const QString &fileName) override;
    void FlashSelectedBars() override;
    int TimeChartWidthInDays() const override;
    void ChartReset() override;
    void CenterNode(TNodeData &node) override;

    TStringTreeGrid *StringTreeGrid1 = nullptr; // tasks
    TStringTreeGrid *StringTreeGrid2 = nullptr; // absent days
    QTabWidget *PageControl1 = nullptr;
    QTabBar *TabControl1 = nullptr; // the position groups
    QAction *ActionNew = nullptr;
    QAction *ActionOpen = nullptr;
    QAction *ActionSave = nullptr;
    QAction *ActionSaveAs = nullptr;
    QAction *ActionClose = nullptr;
    QAction *ActionAddNode = nullptr;
    QAction *ActionDeleteNode = nullptr;
    QAction *ActionUndo = nullptr;
    QAction *ActionRedo = nullptr;
    QAction *Dateikomprimiertspeichern1 = nullptr; // "Save File compressed"
    QAction *localUndo = nullptr;                  // "Undo local changes only"

    // ---- spreadsheet exchange and the archive (FormMainExchange.cpp)
    void Exportieren1Click();
    void ExcelImport1Click();
    void Auftrgearchivieren1Click();
    // Made on first use and kept.
    TArchivDialog *ArchivDialog();
    void Archivierungrckgngigmachen1Click();
    void Archivlschen1Click();
    QAction *Archivierungrckgngigmachen1 = nullptr; // "Archivierung rückgängig machen..."
    QAction *Archivlschen1 = nullptr;               // "Archiv löschen"
    QAction *Exportieren1 = nullptr;        // "Excel Export"
    QAction *ExcelImport1 = nullptr;        // "Excel Import..."
    QAction *Auftrgearchivieren1 = nullptr; // "Tabelle archivieren..."
    // The file dialogs (empty: cancelled) and showing a written workbook in the desktop's
    // spreadsheet program; tests replace them.
    std::function<QString(const QString &proposed)> OnChooseExportFile;
    std::function<QString()> OnChooseImportFile;
    std::function<QString(const QString &proposed)> OnChooseArchiveFile;
    std::function<bool(const QString &fileName)> OnShowWorkbook;
    // ---- end

    // ---- the tables' behaviour: filters, sorting, cell texts, selection (planner/table)
    TPlannerTables &Tables() const { return *FTables; }
    TTableCommands &TableCommands() const { return *FTableCommands; }
    QMenu *Table1 = nullptr; // "&Table": the Filter and Sort menus
    // ---- end

    // ---- the property editor (FormMainEditor.cpp)
    TPropertyEditor &Editor() const;
    void UpdateEditor() override;
    void SeteditorVisible(bool visible) override;
    void ShowEditorForNewNode() override;
    // Before the document goes elsewhere: a date typed into the editor is written first.
    void ApplyTypedDate();
    QSplitter *EditorSplitter = nullptr; // between the table and the docked editor
    QWidget *EditorPanel = nullptr;    // the docked editor
    QAction *EditorAsForm = nullptr;   // "Editor as Window"
    // ---- end

    // ---- overlaps (FormMainOverlap.cpp)
    TOverlapSolver &OverlapSolver() const { return *FOverlapSolver; }
    QAction *ActionSolveOverlapping = nullptr;       // "Solve Interleaving"
    QAction *ActionSolveOverlappingSingle = nullptr; // "Solve Interleaving in each resource"
    QAction *AutoArrange = nullptr;                  // "Automatically arrange items"
    // ---- end

    // ---- rows through the clipboard (FormMainClipboard.cpp)
    TRowClipboard &RowClipboard() const { return *FRowClipboard; }
    // Text fields, combo boxes, check boxes and date pickers handle Cut, Copy and Paste
    // themselves; nil is no such control.
    static bool ControlIsEdit(const QWidget *control);
    void ActionCutExecute();
    void ActionCopyExecute();
    void ActionPasteExecute();
    // "paste Task here": pastes and puts the first pasted task at TimeChartPopupPoint, the
    // point of the chart panel where its context menu was opened.
    void ActionPasteNodeExecute();
    QPoint TimeChartPopupPoint;
    QAction *ActionCut = nullptr;
    QAction *ActionCopy = nullptr;
    QAction *ActionPaste = nullptr;
    QAction *ActionPasteNode = nullptr; // "paste Task here", for the chart's context menu
    // ---- end

    // ---- evaluations, search, goto and select all (FormMainEvaluation.cpp)
    TEvaluations &Evaluations() const { return *FEvaluations; }
    TTableSearch &TableSearch() const { return *FTableSearch; }
    // The utilisation charts: running tasks, a column's sum, a column per resource (-1: all).
    void Auslastung1Click();
    void NumericStatisticsClick(int column);
    void UtilisationStatistics(int column, int resource, const QString &caption);
    void ActionGotoExecute();
    void ActionSelectAllExecute();
    // The search box: search as you type, Enter for the next match.
    void Edit2Change();
    void ToolButton17Click();
    // Made on first use and kept.
    TChartDialog *ChartDialog();
    TGotoDialog *GotoDialog();
    // The statistics window and the absent days per resource and reason.
    void Statistik1Click();
    void ActionHolidayStatisticUpdate();
    void ActionHolidayStatisticExecute();
    TStatisticsDialog *StatisticsDialog();
    THolidayDialog *HolidayDialog();
    // Shows a dialog modally and returns its result; tests answer in its place.
    std::function<int(QDialog &)> OnExecDialog;
    QMenu *Auswertung1 = nullptr;         // "Evaluation"
    QMenu *NumericStatistics1 = nullptr;  // one item per numeric column
    QMenu *Utilisation1 = nullptr;        // per numeric column: "alle" and every resource
    QAction *Auslastung1 = nullptr;       // "Utilization"
    QAction *ActionGoto = nullptr;        // "Goto Date..."
    QAction *ActionSelectAll = nullptr;   // "Select all"
    QAction *Statistik1 = nullptr;             // "Statistics..."
    QAction *ActionHolidayStatistic = nullptr; // "Absent days statistics..."
    QToolBar *ToolBar1 = nullptr;
    QLineEdit *Edit2 = nullptr;           // the search box
    QToolButton *ToolButton17 = nullptr;  // "Find next"
    // ---- end

    // ---- the time chart: overview, group tabs, captions and chart above the tables
    TTimeChartView *TimeChartView = nullptr;
    QSplitter *Splitter1 = nullptr; // between the chart area and the tables
    QWidget *Panel1 = nullptr;      // the table area
    // ---- end

    // ---- working in the chart: gestures, commands, view options, the picture (FormMainChart.cpp)
    TTimeChartMouse *TimeChartMouse = nullptr;
    TChartCommands *ChartCommands = nullptr;
    TSaveGraphics *SaveGraphics = nullptr;
    QMenu *TimeChartPopupMenu = nullptr;
    // Opens the chart's context menu at a screen point with its commands' states set.
    void TimeChartPopup(QPoint global, bool pointerOnBar);
    // ---- end

    // ---- settings, caption, other instances, recent files, revert, update (FormMainSettings.cpp)
    // The program ini (read once at start, written on closing) and the user's settings of
    // the open document (read after opening, written before saving and on closing).
    void LoadIni();
    void SaveIni();
    void LoadFileIni();
    void SaveFileIni();
    void SetLanguage(const QString &name);
    void SetCaption(const QString &fileName);
    // The File menu's revert entries: back to generation folder `generation`.
    void RevertToFile(const QString &generation);
    // Starts the check for a newer version (at creation).
    void StartUpdateCheck();
    // A new instance of the program, after the program ini was written.
    void NeuClick();
    // The grid columns fit their contents.
    void AutoFitColumns();
    TSettingsKeeper &Settings() const { return *FSettings; }
    TRecentFiles &RecentFiles() const { return *FRecentFiles; }
    TInstanceMenu &InstanceMenu() const { return *FInstanceMenu; }
    TDocumentMenus &DocumentMenus() const { return *FDocumentMenus; }
    TUpdateNotice &UpdateNotice() const { return *FUpdateNotice; }
    TWindowCaption &Caption() const { return *FCaption; }
    TPowerWatch &PowerWatch() const { return *FPowerWatch; }
    QMenu *Datei1 = nullptr;            // "&File"
    QMenu *LastFiles1 = nullptr;        // "Recent Files"
    QMenu *Benutzer1 = nullptr;         // "Users": who else is in the document
    QMenu *Revert1 = nullptr;           // "Revert to": the earlier generations
    QMenu *Fenster1 = nullptr;          // "&Window": the running instances
    QMenu *Format1 = nullptr;           // "&Setup"
    QMenu *Sprache1 = nullptr;          // "Language"
    QAction *Neu = nullptr;             // "New Window"
    QAction *Updateavailable1 = nullptr; // "Update available", hidden until there is one
    QAction *Homepage1 = nullptr;
    QAction *Kontakt1 = nullptr;
    // ---- end
    // ---- printing the chart and the table (FormMainPrint.cpp)
    void ActionPrintTimechartExecute();
    void ActionPrintListExecute();
    void ActionPrinterSetupExecute();
    // The printer set-up dialog; true when it was confirmed.
    bool PrinterSetup();
    // The print commands are enabled while the task table has rows.
    void ActionPrintUpdate();
    // The print options kept between printouts (the per-user settings store them).
    TPrintOptions PrintOptions() const { return FPrintOptions; }
    void SetPrintOptions(const TPrintOptions &options);
    // The page recorder with its preview and printer, shared by both printouts.
    TPrintPreviewDialog &PrintPreview() const { return *FPrintPreview; }
    // Made on first use and kept.
    TPrintTimeChartDialog *PrintTimeChartDialog();
    TPrintListDialog *PrintListDialog();
    QAction *ActionPrintTimechart = nullptr;
    QAction *ActionPrintList = nullptr;
    QAction *ActionPrinterSetup = nullptr;
    // The printer set-up dialog; false when cancelled. Tests replace it.
    std::function<bool(QPrinter &printer)> OnPrinterSetupDialog;
    // ---- end

    // ---- the document's setup dialogs (FormMainSetup.cpp)
    TSetupDialogs &SetupDialogs() const { return *FSetupDialogs; }
    // Each fills all setup dialogs from the document and shows its own.
    void Tabellebearbeiten1Click();
    void Fehltagebearbeiten1Click();
    void ositionengruppieren1Click();
    void Arbeitspltzebearbeiten1Click();
    void EditHoliday1Click();
    QAction *Tabellebearbeiten1 = nullptr;      // "Edit Table "Tasks"..."
    QAction *Fehltagebearbeiten1 = nullptr;     // "Edit Table "Days absent"..."
    QAction *ositionengruppieren1 = nullptr;    // "Group resources..."
    QAction *Arbeitspltzebearbeiten1 = nullptr; // "Edit resources..."
    QAction *EditHoliday1 = nullptr;            // "Edit Holiday..."
    // ---- end

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate();
    void CreateActions();
    // One named, translated action of the window, known to it for its shortcut.
    void MakeAction(QAction *&action, const char *name, const QString &caption,
                    void (TMainForm::*handler)() = nullptr, const QKeySequence &shortcut = {});
    // Keys the window handles before its controls; true when the key was used.
    bool FormKeyDown(QKeyEvent *event);
    // Group tabs and idle processing as the core asks for them.
    void WireGroupTabsAndIdle();
    void SyncGroupTabs();
    QMetaObject::Connection FIdleConnection;
    // Undo and Redo enabled while their list holds an entry, hinting at the newest one.
    void UpdateUndoRedoActions();
    // The chart area with its splitter above the tables, and its menu (FormMainChart.cpp).
    void CreateTimeChart();
    void CreateChartMenu();

    QLabel *FStatusPanels[4] = {};
    // Shown while edits made here are not shared with other instances.
    QLabel *FSharingNotice = nullptr;
    bool FBusy = false;
    QString FLastOpenFileName; // where the open dialog starts
    // The other running instances; the window's title is this instance's entry.
    TInstanceLink *FInstanceLink = nullptr;
    // ---- private: settings, caption, other instances, recent files, revert, update
    void CreateSettingsAndMenus();
    // The computer goes to sleep: the shared-folder scan stops until it wakes.
    void PowerSuspending();
    void PowerResumed();
    TSettingsKeeper *FSettings = nullptr;
    TRecentFiles *FRecentFiles = nullptr;
    TInstanceMenu *FInstanceMenu = nullptr;
    TDocumentMenus *FDocumentMenus = nullptr;
    TUpdateNotice *FUpdateNotice = nullptr;
    TWindowCaption *FCaption = nullptr;
    TPowerWatch *FPowerWatch = nullptr;
    // ---- end
    // ---- private: printing
    void CreatePrintActions(QMenu *file);
    TPrintPreviewDialog *FPrintPreview = nullptr; // a child of the window
    QPointer<TPrintTimeChartDialog> FPrintTimeChartDialog;
    QPointer<TPrintListDialog> FPrintListDialog;
    TPrintOptions FPrintOptions;
    // ---- end
    // ---- private: the setup dialogs
    void CreateSetupActions();
    // Fills the setup dialogs from the document and runs one of them.
    void ExecSetupDialog(QDialog *dialog);
    TSetupDialogs *FSetupDialogs = nullptr;
    TDateTime FSetupChartStart = 0;
    int FSetupChartTop = 0;
    // ---- end
    // ---- private: spreadsheet exchange and the archive
    void CreateExchangeActions(QMenu *file);
    QPointer<TArchivDialog> FArchivDialog;
    // ---- end
    std::unique_ptr<TPlannerCore> FCore; // after the grids it uses: destroyed before them
    // After the core they observe: destroyed before it.
    std::unique_ptr<TDocumentSync> FSync;
    std::unique_ptr<TDocumentFile> FFile;
    // ---- private: the tables' behaviour; goes before the core
    void CreateTables();
    // Whether the user acts in a table right now (not in the chart).
    bool ChangeCameFromTable() const;
    std::unique_ptr<TPlannerTables> FTables;
    TTableCommands *FTableCommands = nullptr;
    // ---- end
    // ---- private: the property editor
    void CreateEditor();
    std::unique_ptr<TPropertyEditor> FEditor; // after the core: destroyed before it
    // ---- end
    // ---- private: overlaps
    void CreateOverlapActions();
    void UpdateOverlapActions();
    std::unique_ptr<TOverlapSolver> FOverlapSolver; // after the core: destroyed before it
    // ---- end
    // ---- private: rows through the clipboard
    void CreateClipboardActions(QMenu *edit);
    // Sends cut, copy or paste to the focused text-like control; false when no such control
    // has the focus (then the command works on rows).
    bool RouteEditCommand(const char *command);
    std::unique_ptr<TRowClipboard> FRowClipboard; // after the core: destroyed before it
    // ---- end
    // ---- private: evaluations, search, goto and select all
    void CreateEvaluationActions(QMenu *edit);
    // The sub-menus of the Evaluation menu from the active table's numeric columns and the
    // current group's resources.
    void FillEvaluationMenus();
    // The search bar's title and the hint in its field, in the language now chosen.
    void TranslateSearchBar();
    int ExecDialog(QDialog &dialog);
    std::unique_ptr<TEvaluations> FEvaluations;
    std::unique_ptr<TTableSearch> FTableSearch;
    QPointer<TChartDialog> FChartDialog;
    QPointer<TGotoDialog> FGotoDialog;
    QPointer<TStatisticsDialog> FStatisticsDialog;
    QPointer<THolidayDialog> FHolidayDialog;
    // ---- end
};
