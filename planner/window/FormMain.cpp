#include "window/FormMain.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "sync/DirWatchThread.h"
#include "InstanceLink.h"
#include "Language.h"
#include "Log.h"
#include "core/MessageQueue.h"
#include "core/UndoRedo.h"
#include "core/ViewRefresh.h"
#include "editor/PropertyEditor.h"
#include "exchange/RowClipboard.h"
#include "table/Evaluations.h"
#include "table/TableSearch.h"
#include "table/OverlapSolver.h"
#include "table/PlannerTables.h"
#include "table/TableCommands.h"
#include "treegrid/StringTreeGrid.h"
#include "CanvasPanel.h"
#include "chart/ChartCommands.h"
#include "chart/SaveGraphics.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "window/GroupTabKeys.h"
#include "window/InstanceMenu.h"
#include "window/PowerWatch.h"
#include "window/RecentFiles.h"
#include "window/ViewKeeper.h"
#include "window/WindowCaption.h"

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    resize(1024, 700);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    StringTreeGrid1 = TBaseTreeGrid::Create<TStringTreeGrid>(nullptr);
    StringTreeGrid1->setObjectName(QStringLiteral("StringTreeGrid1"));
    StringTreeGrid2 = TBaseTreeGrid::Create<TStringTreeGrid>(nullptr);
    StringTreeGrid2->setObjectName(QStringLiteral("StringTreeGrid2"));
    PageControl1->addTab(StringTreeGrid1, Translate(QStringLiteral("Tasks")));
    PageControl1->addTab(StringTreeGrid2, Translate(QStringLiteral("Absent Days")));
    TabControl1 = new QTabBar(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    for (QWidget *control : std::initializer_list<QWidget *>{StringTreeGrid1, StringTreeGrid2, TabControl1})
        control->installEventFilter(this);

    auto *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 4; ++i) {
        FStatusPanels[i] = new QLabel(bar);
        FStatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        bar->addWidget(FStatusPanels[i], i == 3 ? 1 : 0);
    }

    FCore = std::make_unique<TPlannerCore>(StringTreeGrid1, StringTreeGrid2, *this);
    FSync = std::make_unique<TDocumentSync>(*FCore);
    FFile = std::make_unique<TDocumentFile>(*FCore, *FSync);
    FOverlapSolver = std::make_unique<TOverlapSolver>(*FCore);
    CreateTimeChart();
    CreateActions();
    CreateTables();
    CreateEditor();
    // A reload after another instance saved, or rows rebuilt after a conflict, leave the
    // user's view and field as they were.
    auto *view = new TViewKeeper(*FCore, *FTables, *FEditor, TimeChartView, this);
    // Columns another instance set up fit as after a setup here.
    FSync->OnBeforeReload = [this, view] {
        view->Capture(TViewKeeper::ksDocument);
        FTableCommands->NoteColumns();
    };
    FSync->OnAfterReload = [this, view] {
        FTableCommands->FitChangedColumns();
        view->Restore();
    };
    FSync->OnBeforeRowsRebuilt = [view] { view->Capture(TViewKeeper::ksRows); };
    FSync->OnAfterRowsRebuilt = [view] { view->Restore(); };
    WireGroupTabsAndIdle();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        FCore->SetActiveTable(index == 1 ? tbExclude : tbTable);
    });
    FormCreate();
}

TMainForm::~TMainForm()
{
    // The core goes first: the grids' rows must not report back into it while they die. The
    // chart reads the core, so it goes before it.
    QObject::disconnect(FIdleConnection);
    // What works on the chart goes before it.
    delete SaveGraphics;
    delete ChartCommands;
    delete TimeChartMouse;
    delete TimeChartView;
    TimeChartView = nullptr;
    delete FTableCommands;
    FTableCommands = nullptr;
    FTables.reset();
    FEditor.reset();
    FOverlapSolver.reset();
    FRowClipboard.reset();
    FEvaluations.reset();
    FTableSearch.reset();
    FFile.reset();
    FSync.reset();
    FCore.reset();
    SetBusyCursor(false);
}

void TMainForm::MakeAction(QAction *&action, const char *name, const QString &caption,
                           void (TMainForm::*handler)(), const QKeySequence &shortcut)
{
    action = new QAction(Translate(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    addAction(action);
}

void TMainForm::CreateActions()
{
    MakeAction(ActionNew, "ActionNew", "&New", &TMainForm::ActionNewClick, QKeySequence::New);
    MakeAction(ActionOpen, "ActionOpen", "&Open...", &TMainForm::ActionOpenExecute, QKeySequence::Open);
    MakeAction(ActionSave, "ActionSave", "&Save", &TMainForm::ActionSaveExecute, QKeySequence::Save);
    MakeAction(ActionSaveAs, "ActionSaveAs", "Save &As...", &TMainForm::ActionSaveAsExecute);
    MakeAction(ActionClose, "ActionClose", "E&xit", &TMainForm::ActionCloseExecute);
    MakeAction(ActionAddNode, "ActionAddNode", "New Entry", &TMainForm::ActionAddNodeExecute);
    MakeAction(ActionDeleteNode, "ActionDeleteNode", "Delete Entry", &TMainForm::ActionDeleteNodeExecute);
    MakeAction(ActionUndo, "ActionUndo", "Undo", &TMainForm::ActionUndoExecute, QKeySequence(Qt::CTRL | Qt::Key_Z));
    MakeAction(ActionRedo, "ActionRedo", "Redo", &TMainForm::ActionRedoExecute, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    MakeAction(Dateikomprimiertspeichern1, "Dateikomprimiertspeichern1", "Save File compressed");
    MakeAction(localUndo, "localUndo", "Undo local changes only");
    // The save dialog; the core asks before it overwrites a file.
    File().OnChooseSaveFileName = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, Translate(QStringLiteral("Save as")), proposed,
                                            Translate(QStringLiteral("ZOP files")) + QStringLiteral(" (*.zop)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    };
    connect(Dateikomprimiertspeichern1, &QAction::toggled, this,
            [this](bool checked) { FCore->FSaveFileCompressed = checked; });
    connect(&FCore->UndoStack(), &TUndoRedo::MainFormUpdate, this, &TMainForm::UpdateUndoRedoActions);
    UpdateUndoRedoActions();
    Dateikomprimiertspeichern1->setCheckable(true);
    localUndo->setCheckable(true);
    localUndo->setChecked(FCore->FLocalUndo);
    connect(localUndo, &QAction::toggled, this, [this](bool checked) { FCore->FLocalUndo = checked; });

    QMenu *file = menuBar()->addMenu(Translate(QStringLiteral("&File")));
    file->setObjectName(QStringLiteral("File1"));
    Datei1 = file;
    file->addActions({ActionNew, ActionOpen, ActionSave, ActionSaveAs});
    file->addSeparator();
    file->addAction(Dateikomprimiertspeichern1);
    file->addSeparator();
    file->addAction(ActionClose);
    QMenu *edit = menuBar()->addMenu(Translate(QStringLiteral("&Edit")));
    edit->setObjectName(QStringLiteral("Edit1"));
    edit->addActions({ActionUndo, ActionRedo});
    edit->addSeparator();
    edit->addActions({ActionAddNode, ActionDeleteNode});
    edit->addSeparator();
    edit->addAction(localUndo);
    CreateClipboardActions(edit);
    CreateEvaluationActions(edit);
    CreateExchangeActions(file);
    CreatePrintActions(file);
    CreateOverlapActions();
    CreateChartMenu();
}

void TMainForm::FormCreate()
{
    setAcceptDrops(true);
    FInstanceLink = new TInstanceLink(this);
    connect(FInstanceLink, &TInstanceLink::bringToFrontRequested, this, [this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    CreateSettingsAndMenus();
    CreateSetupActions();
    FCore->FFocusNewNode = false;
    FCore->FUndoRedoGroupIndex = -1;
    ActionNewExecute();
    StartUpdateCheck();
}

// ---- group tabs and idle processing

void TMainForm::WireGroupTabsAndIdle()
{
    FCore->OnGroupTabsChanged = [this] { SyncGroupTabs(); };
    FCore->OnGroupTabApplied = [this](int index) {
        const QSignalBlocker blocker(TabControl1);
        TabControl1->setCurrentIndex(index);
        if (TimeChartView)
            TimeChartView->GroupTabApplied(index);
        if (FEditor)
            FEditor->UpdatePositionItems();
    };
    FCore->OnTabUnderMouse = [this] {
        // During a drag the pointer its events told, which the screen's may lag behind.
        const bool dragging = TimeChartMouse && TimeChartMouse->State() == msMoveItem;
        const QPoint global = dragging ? TimeChartMouse->PointerGlobal() : QCursor::pos();
        return TabControl1->tabAt(TabControl1->mapFromGlobal(global));
    };
    connect(TabControl1, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0)
            FCore->SelectGroupTab(index);
    });
    SyncGroupTabs();

    FCore->OnIdleProcessed = [this] {
        ActionNew->setEnabled(true);
        ActionOpen->setEnabled(true);
        ActionSaveAs->setEnabled(true);
        ActionSave->setEnabled(Sync().DirWatchThread()->Changed() || (FEditor && FEditor->DateTyped()));
        ActionPrintUpdate();
        SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
        Caption().UpdateCaption();
    };
    // The application is idle when the event loop is about to wait.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread()))
        FIdleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                  [this] {
                                      // Nothing runs while the computer sleeps.
                                      if (!FPowerWatch || !FPowerWatch->Sleeping())
                                          FCore->ApplicationEvents1Idle();
                                  });
}

void TMainForm::SyncGroupTabs()
{
    const QSignalBlocker blocker(TabControl1);
    const QStringList &captions = FCore->GroupTabCaptions();
    while (TabControl1->count() > captions.size())
        TabControl1->removeTab(TabControl1->count() - 1);
    for (int i = 0; i < captions.size(); ++i) {
        if (i < TabControl1->count())
            TabControl1->setTabText(i, captions[i]);
        else
            TabControl1->addTab(captions[i]);
    }
    TabControl1->setCurrentIndex(FCore->GroupTabIndex());
}

// ---- document life

void TMainForm::ActionNewExecute()
{
    Dateikomprimiertspeichern1->setChecked(true);
    FCore->ActionNewExecute();
    SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
    AutoFitColumns();
}

void TMainForm::ActionNewClick()
{
    // This document goes: a typed date goes with the other changes.
    ApplyTypedDate();
    if (File().MayCloseDocument())
        ActionNewExecute();
}

bool TMainForm::ActivateOtherInstance(const QString &fileName)
{
    return InstanceMenu().ActivateOtherInstance(fileName);
}

void TMainForm::Open(const QString &fileName)
{
    // This document is closed: a typed date is asked about with the other changes.
    ApplyTypedDate();
    bool loaded = false;
    bool replaced = false;
    try {
        loaded = File().Open(fileName);
        replaced = loaded;
    } catch (const EPlannerError &error) {
        // A new document stands in its place.
        replaced = true;
        Log(QStringLiteral("Exception: ") + error.Message());
    }
    if (QFileInfo(fileName).isFile())
        FLastOpenFileName = fileName;
    if (!replaced)
        return;
    // The loaded file decides how it is saved again.
    Dateikomprimiertspeichern1->setChecked(FCore->FSaveFileCompressed);
    SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
    if (loaded)
        RecentFiles().AddToLastFiles(Sync().DirWatchThread()->Filename());
    AutoFitColumns();
    // A named document's settings place the chart; a new one starts at the default view.
    LoadFileIni();
}

void TMainForm::OpenCommandLine(const QStringList &arguments)
{
    if (arguments.size() == 1)
        Open(arguments.first());
}

void TMainForm::ActionOpenExecute()
{
    const QString name = QFileDialog::getOpenFileName(this, Translate(QStringLiteral("Open")), FLastOpenFileName,
                                                      Translate(QStringLiteral("ZOP files")) + QStringLiteral(" (*.zop)"));
    if (!name.isEmpty())
        Open(name);
}

void TMainForm::ActionSaveAsExecute()
{
    ApplyTypedDate();
    if (File().ActionSaveAsExecute())
        SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
}

void TMainForm::ActionSaveExecute()
{
    ApplyTypedDate();
    File().ActionSaveExecute();
    SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
}

void TMainForm::ActionCloseExecute()
{
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // A date typed into the editor goes with the document's other changes, or is named as
    // not written before the window goes.
    if (FEditor)
        FEditor->SettleTypedDates(true);
    if (!File().FormClose()) {
        event->ignore();
        return;
    }
    // The stored placement must be the normal one.
    if (isMaximized() || isMinimized())
        showNormal();
    SaveFileIni();
    SaveIni();
    // Nothing said after the window went may keep the program running.
    FCore->Messages().Close();
    event->accept();
}

// ---- rows

void TMainForm::ActionAddNodeExecute()
{
    FCore->ActionAddNodeExecute();
}

void TMainForm::ActionDeleteNodeExecute()
{
    FCore->ActionDeleteNodeExecute(qobject_cast<QLineEdit *>(QApplication::focusWidget()) != nullptr);
}

void TMainForm::ActionUndoExecute()
{
    FCore->Undo();
}

void TMainForm::ActionRedoExecute()
{
    FCore->Redo();
}

void TMainForm::UpdateUndoRedoActions()
{
    const TUndoRedo &stack = FCore->UndoStack();
    const auto apply = [this](QAction *action, bool enabled, const TUndoRedoEntry *newest) {
        action->setEnabled(enabled);
        const QString hint = newest ? newest->Hint(*FCore) : QString();
        action->setToolTip(hint);
        action->setStatusTip(hint);
    };
    apply(ActionUndo, stack.GetCanUndo(), TUndoRedo::Last(stack.UndoList()));
    apply(ActionRedo, stack.GetCanRedo(), TUndoRedo::Last(stack.RedoList()));
}

// ---- keys and drops

bool TMainForm::FormKeyDown(QKeyEvent *event)
{
    TBaseTreeGrid *grid = FCore->GetTable(FCore->GetActiveTable());
    switch (event->key()) {
    case Qt::Key_Delete:
        ActionDeleteNodeExecute();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return TimeChartView->ArrowKey(event->key(), event->modifiers());
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        if (grid->SelectedCount() != 1)
            return false;
        TGridNode *current = grid->GetFirstSelected();
        TGridNode *other = event->key() == Qt::Key_PageDown ? grid->GetNext(current)
                                                            : grid->GetPrevious(current);
        if (other) {
            grid->ClearSelection();
            grid->SetSelected(other, true);
            grid->SetFocusedNode(other);
        }
        return true;
    }
    default:
        return false;
    }
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    // A focused tab bar switches the group with its keys, the arrows among them.
    if (event->type() == QEvent::KeyPress && watched == TabControl1
        && GroupTabKeys::KeyPress(*TabControl1, *static_cast<QKeyEvent *>(event)))
        return true;
    if (event->type() == QEvent::KeyPress
        && (watched == StringTreeGrid1 || watched == StringTreeGrid2 || watched == TabControl1
            || (TimeChartView && watched == TimeChartView->TimeChart))
        && FormKeyDown(static_cast<QKeyEvent *>(event))) {
        // The window only looks at the arrows first: the tables still move their focus with them.
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        return !(arrow && (watched == StringTreeGrid1 || watched == StringTreeGrid2));
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::keyPressEvent(QKeyEvent *event)
{
    if (!FormKeyDown(event))
        QMainWindow::keyPressEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    QStringList files;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    event->acceptProposedAction();
    DropFiles(files);
}

void TMainForm::DropFiles(const QStringList &fileNames)
{
    if (fileNames.size() == 1)
        Open(fileNames.first());
}

// ---- IPlannerWindow

void TMainForm::SetStatusText(int panel, const QString &text)
{
    if (panel >= 0 && panel < 4 && FStatusPanels[panel])
        FStatusPanels[panel]->setText(text);
}

void TMainForm::SetSharingNotice(const QString &text)
{
    if (!FSharingNotice) {
        FSharingNotice = new QLabel(statusBar());
        FSharingNotice->setObjectName(QStringLiteral("SharingNotice"));
        FSharingNotice->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
        statusBar()->addPermanentWidget(FSharingNotice);
    }
    // The first line in the bar, all of it as the tooltip.
    FSharingNotice->setText(text.section(QLatin1Char('\n'), 0, 0));
    FSharingNotice->setToolTip(text);
    FSharingNotice->setVisible(!text.isEmpty());
}

void TMainForm::ShowStatusMessage(const QString &text)
{
    // Long enough to be read after looking up from the keyboard.
    statusBar()->showMessage(text, 20000);
}

int TMainForm::Ask(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    // Asked in the middle of an action: the window shows what the action did so far.
    FCore->Views().Flush();
    return MessageDlg(text, type, buttons, 0);
}

void TMainForm::SetBusyCursor(bool busy)
{
    if (busy == FBusy)
        return;
    FBusy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainForm::ActiveTableChanged()
{
    if (FTableCommands)
        FTableCommands->PageChanged();
    if (FEditor)
        FEditor->PageControl1Change();
    const int index = FCore->GetActiveTable() == tbExclude ? 1 : 0;
    if (PageControl1->currentIndex() != index)
        PageControl1->setCurrentIndex(index);
}

// ---- the tables' behaviour

void TMainForm::CreateTables()
{
    FTables = std::make_unique<TPlannerTables>(*FCore);
    FTables->OnChangeFromTable = [this] { return ChangeCameFromTable(); };
    FTableCommands = new TTableCommands(this, *FCore, *FTables);
    Table1 = menuBar()->addMenu(Translate(QStringLiteral("&Table")));
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->addMenu(FTableCommands->FilterMenu);
    Table1->addMenu(FTableCommands->SortMenu);
    for (QAction *action : {FTableCommands->ActionSort, FTableCommands->ActionFilter, FTableCommands->ActionClearFilter,
                            FTableCommands->ActionClearAllFilters})
        addAction(action);
}

bool TMainForm::ChangeCameFromTable() const
{
    // The active control is neither nil nor the chart.
    const QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return false;
    for (const QObject *object = focus; object; object = object->parent())
        if (object->objectName() == QStringLiteral("TimeChart"))
            return false;
    return true;
}
