// The main window's settings, title, Window menu, recent files, revert menu, update notice and
// the small commands around them.

#include "window/FormMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QUrl>

#include "InstanceLink.h"
#include "Language.h"
#include "Log.h"
#include "document/DocumentRevert.h"
#include "editor/PropertyEditor.h"
#include "sync/DirWatchThread.h"
#include "table/PlannerTables.h"
#include "table/TableCommands.h"
#include "chart/ChartCommands.h"
#include "window/DocumentMenus.h"
#include "window/InstanceMenu.h"
#include "window/PowerWatch.h"
#include "window/RecentFiles.h"
#include "window/SettingsKeeper.h"
#include "window/UpdateNotice.h"
#include "window/WindowCaption.h"

namespace {

QMenu *SubMenu(QMenu *parent, QAction *before, const char *name, const char *caption)
{
    auto *menu = new QMenu(Translate(QString::fromLatin1(caption)), parent);
    menu->setObjectName(QString::fromLatin1(name));
    parent->insertMenu(before, menu);
    return menu;
}

} // namespace

void TMainForm::CreateSettingsAndMenus()
{
    // File menu: a new window, the recent files, who is in the document and where to go back.
    Neu = new QAction(Translate(QStringLiteral("New Window")), this);
    Neu->setObjectName(QStringLiteral("Neu"));
    connect(Neu, &QAction::triggered, this, &TMainForm::NeuClick);
    Datei1->insertAction(ActionOpen, Neu);
    QAction *exit = ActionClose;
    LastFiles1 = SubMenu(Datei1, exit, "LastFiles1", "Recent Files");
    Benutzer1 = SubMenu(Datei1, exit, "Benutzer1", "Users");
    Revert1 = SubMenu(Datei1, exit, "Revert1", "Revert to");
    Datei1->insertSeparator(exit);
    FRecentFiles = new TRecentFiles(this, LastFiles1);
    FRecentFiles->OnOpen = [this](const QString &file) { Open(file); };
    // A saved document is as recent as an opened one.
    File().OnSaved = [this](const QString &file) { FRecentFiles->AddToLastFiles(file); };
    FDocumentMenus = new TDocumentMenus(Sync(), Datei1, Benutzer1, Revert1, this);
    FDocumentMenus->OnRevert = [this](const QString &generation) { RevertToFile(generation); };

    FSettings = new TSettingsKeeper(*this, *FCore, File(), *FRecentFiles, this);
    FSettings->OnNewDocument = [this] { FTableCommands->RemakeKeepingHandWidths([this] { ActionNewExecute(); }); };
    FSettings->SetFilterEngine(&FTables->Filters());
    FSettings->SetTimeChart(TimeChartView, Splitter1);
    FSettings->SetEditor(&Editor());
    FSettings->SetTableCommands(FTableCommands);
    FSettings->OnGetPrintOptions = [this] { return PrintOptions(); };
    FSettings->OnSetPrintOptions = [this](const TPrintOptions &options) { SetPrintOptions(options); };
    // The title and the status panels show what the program writes into them (the document's
    // name, counts): a language switch makes them anew rather than translating old ones.
    setProperty("noTranslate", true);
    for (QLabel *panel : FStatusPanels)
        if (panel)
            panel->setProperty("noTranslate", true);
    FSettings->OnLanguageChanged = [this] {
        TranslateSearchBar();
        Editor().ShowSelectedCount();
        FTableCommands->LanguageChanged();
    };
    Sync().OnSaveFileIni = [this] { SaveFileIni(); };
    Sync().OnLoadFileIni = [this] { LoadFileIni(); };

    // Setup menu: the languages found, listed as it opens.
    Format1 = findChild<QMenu *>(QStringLiteral("Format1"));
    if (!Format1) {
        Format1 = menuBar()->addMenu(Translate(QStringLiteral("&Setup")));
        Format1->setObjectName(QStringLiteral("Format1"));
    }
    Sprache1 = Format1->addMenu(Translate(QStringLiteral("Language")));
    Sprache1->setObjectName(QStringLiteral("Sprache1"));
    connect(Format1, &QMenu::aboutToShow, this, [this] { FSettings->FillLanguageMenu(Sprache1); });
    FSettings->FillLanguageMenu(Sprache1);

    Fenster1 = menuBar()->addMenu(Translate(QStringLiteral("&Window")));
    Fenster1->setObjectName(QStringLiteral("Fenster1"));
    FInstanceMenu = new TInstanceMenu(*FInstanceLink, Fenster1, this);
    FCaption = new TWindowCaption(*this, *FInstanceLink, Sync(), this);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("Hilfe1"));
    Homepage1 = help->addAction(Translate(QStringLiteral("Velmora on the Web")));
    Homepage1->setObjectName(QStringLiteral("Homepage1"));
    connect(Homepage1, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QStringLiteral("https://velmora.org"))); });
    Kontakt1 = help->addAction(Translate(QStringLiteral("Contact")));
    Kontakt1->setObjectName(QStringLiteral("Kontakt1"));
    connect(Kontakt1, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:info@velmora.org"))); });
    help->addSeparator();
    help->addAction(ChartCommands->Info1);

    Updateavailable1 = menuBar()->addAction(Translate(QStringLiteral("Update available")));
    Updateavailable1->setObjectName(QStringLiteral("Updateavailable1"));
    FUpdateNotice = new TUpdateNotice(Updateavailable1, this);

    FPowerWatch = new TPowerWatch(this);
    connect(FPowerWatch, &TPowerWatch::Suspending, this, &TMainForm::PowerSuspending);
    connect(FPowerWatch, &TPowerWatch::Resumed, this, &TMainForm::PowerResumed);
}

void TMainForm::LoadIni()
{
    FSettings->LoadIni();
}

void TMainForm::SaveIni()
{
    FSettings->SaveIni();
}

void TMainForm::LoadFileIni()
{
    FSettings->LoadFileIni();
}

void TMainForm::SaveFileIni()
{
    FSettings->SaveFileIni();
}

void TMainForm::SetLanguage(const QString &name)
{
    FSettings->SetLanguage(name);
}

void TMainForm::SetCaption(const QString &fileName)
{
    FCaption->SetCaption(fileName);
}

void TMainForm::AutoFitColumns()
{
    // A document just opened shows its first rows: big tables fit them, and the rows to
    // come when they come.
    for (TWhichTable table : {tbTable, tbExclude})
        FTableCommands->AutoFitColumns(table, true);
}

void TMainForm::RevertToFile(const QString &generation)
{
    ApplyTypedDate();
    const TDocumentRevert::TResult result = TDocumentRevert::RevertToFile(File(), generation);
    if (result == TDocumentRevert::rvCancelled || result == TDocumentRevert::rvSaveFailed)
        return;
    Dateikomprimiertspeichern1->setChecked(FCore->FSaveFileCompressed);
    SetCaption(Sync().DirWatchThread()->GetPossibleFileName());
    AutoFitColumns();
    // The view the user had goes on with the reverted document.
    LoadFileIni();
}

void TMainForm::StartUpdateCheck()
{
    FUpdateNotice->Start();
}

void TMainForm::NeuClick()
{
    SaveIni();
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {}))
        Log(QStringLiteral("A new instance could not be started"));
}

void TMainForm::PowerSuspending()
{
    Sync().StopBackgroundThread();
    FCore->IdleTimer().stop();
}

void TMainForm::PowerResumed()
{
    FCore->ApplicationEvents1Idle();
}
