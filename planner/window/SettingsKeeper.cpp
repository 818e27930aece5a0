#include "window/SettingsKeeper.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QSplitter>

#include "Language.h"
#include "Locations.h"
#include "Log.h"
#include "MemIniFile.h"
#include "chart/TimeChartView.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "core/PlannerCore.h"
#include "dialogs/SplashForm.h"
#include "document/DocumentFile.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "table/FilterEngine.h"
#include "table/TableCommands.h"
#include "window/RecentFiles.h"

namespace {

// The menu options of the program ini, by the object names of their menu items, in the
// order they are applied.
struct TOptionKey
{
    const char *Name;
    bool TProgramSettings::*Field;
};
constexpr TOptionKey ProgramOptions[] = {
    {"LinienzwischenArbeitspltze1", &TProgramSettings::DrawLines},
    {"LinienzwischenmultiArbeitspltze1", &TProgramSettings::DrawLinesMultiRow},
    {"Werkzeugleisteanzeigen1", &TProgramSettings::Toolbar},
    {"Gesamtbersicht1", &TProgramSettings::SmallTimeChart},
    {"Tabelleanzeigen1", &TProgramSettings::Table},
    {"Statuszeileanzeigen1", &TProgramSettings::StatusBar},
    {"EditorAsForm", &TProgramSettings::EditorAsForm},
    {"leereArbeitspltzeausblenden1", &TProgramSettings::HideRows},
    {"leeremultiArbeitspltzeausblenden1", &TProgramSettings::HideMultiRows},
    {"localUndo", &TProgramSettings::LocalUndo},
    {"autoscroll", &TProgramSettings::AutoScroll},
    {"naturalscrolling", &TProgramSettings::NaturalScroll},
    {"AutoArrange", &TProgramSettings::AutoArrange},
};
constexpr const char *DenyMoveOption = "DenyMoveBeforeNow";
const QString LanguageExtension = QStringLiteral(".lng");

// A window placed where no screen shows it comes back onto the primary screen.
QRect OnScreen(const QRect &wanted)
{
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(wanted);
        if (seen.width() >= 50 && seen.height() >= 50)
            return wanted;
    }
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return wanted;
    const QRect area = primary->availableGeometry();
    QRect placed(QPoint(0, 0), wanted.size().boundedTo(area.size()));
    placed.moveCenter(area.center());
    return placed;
}

} // namespace

TSettingsKeeper::TSettingsKeeper(QMainWindow &window, TPlannerCore &core, TDocumentFile &file,
                                 TRecentFiles &recentFiles, QObject *parent)
    : QObject(parent), FWindow(window), FCore(core), FFile(file), FRecentFiles(recentFiles),
      FIniFileName(platform::programIniPath())
{
    for (const TOptionKey &option : ProgramOptions)
        FOptions[QString::fromLatin1(option.Name)] = FProgram.*option.Field;
    FOptions[QString::fromLatin1(DenyMoveOption)] = FDocument.DenyMoveBeforeNow;
    FLanguage = FProgram.Language;
}

void TSettingsKeeper::SetTableCommands(TTableCommands *commands)
{
    FTableCommands = commands;
}

void TSettingsKeeper::SetTimeChart(TTimeChartView *chart, QSplitter *splitter)
{
    FChart = chart;
    FSplitter = splitter;
}

// ---- menu options

QAction *TSettingsKeeper::Option(const char *name) const
{
    return FWindow.findChild<QAction *>(QString::fromLatin1(name));
}

bool TSettingsKeeper::OptionState(const char *name, bool kept) const
{
    const QAction *action = Option(name);
    return action && action->isEnabled() ? action->isChecked() : kept;
}

void TSettingsKeeper::ApplyOption(const char *name, bool value)
{
    FOptions[QString::fromLatin1(name)] = value;
    QAction *action = Option(name);
    // A disabled item is held by another option (the editor stays docked while the table is
    // hidden): it is left as it is, and the value read is kept for the next start.
    if (!action || !action->isEnabled() || action->isChecked() == value)
        return;
    action->trigger();
}

// ---- the program ini

TProgramSettings TSettingsKeeper::CurrentProgramSettings() const
{
    TProgramSettings s = FProgram;
    s.Language = FLanguage;
    const QRect placed = FWindow.isMaximized() || FWindow.isMinimized() ? FWindow.normalGeometry() : FWindow.geometry();
    s.Width = placed.width();
    s.Height = placed.height();
    s.Top = placed.top();
    s.Left = placed.left();
    for (const TOptionKey &option : ProgramOptions)
        s.*option.Field = OptionState(option.Name, FOptions.at(QString::fromLatin1(option.Name)));
    // Until their menu items exist the core holds these.
    if (!Option("leereArbeitspltzeausblenden1"))
        s.HideRows = FCore.FHideEmptyRows;
    if (!Option("leeremultiArbeitspltzeausblenden1"))
        s.HideMultiRows = FCore.FHideEmptyMultiRows;
    if (FChart) {
        const TChartOptions &options = FChart->Options();
        if (!Option("LinienzwischenArbeitspltze1"))
            s.DrawLines = options.linesBetweenResources;
        if (!Option("LinienzwischenmultiArbeitspltze1"))
            s.DrawLinesMultiRow = options.linesBetweenMultiRows;
        s.DrawFullText = options.drawFullText;
    }
    // The editor window's place, once it has been a window.
    if (FEditor && FEditor->EditorForm()) {
        s.EditorLeft = FEditor->GetEditorPos().x();
        s.EditorTop = FEditor->GetEditorPos().y();
    }
    s.LastFiles = FRecentFiles.Files();
    return s;
}

void TSettingsKeeper::ApplyProgramSettings(const TProgramSettings &s)
{
    SetLanguage(s.Language);
    FProgram = s;
    FWindow.setGeometry(OnScreen(QRect(s.Left, s.Top, s.Width, s.Height)));
    for (const TOptionKey &option : ProgramOptions)
        ApplyOption(option.Name, s.*option.Field);
    // What the user picks is kept even when another option disables the item later (lines
    // between multi-row resources need lines between resources): the choice comes back with it.
    if (!FOptionsWatched) {
        FOptionsWatched = true;
        for (const TOptionKey &option : ProgramOptions)
            if (QAction *action = Option(option.Name)) {
                const QString name = QString::fromLatin1(option.Name);
                connect(action, &QAction::triggered, this, [this, name](bool checked) { FOptions[name] = checked; });
            }
    }
    if (!Option("leereArbeitspltzeausblenden1") || !Option("leeremultiArbeitspltzeausblenden1")) {
        FCore.FHideEmptyRows = s.HideRows;
        FCore.FHideEmptyMultiRows = s.HideMultiRows;
        FCore.UpdateEmptyRows(true);
    }
    FCore.FLocalUndo = s.LocalUndo;
    if (FChart) {
        TChartOptions &options = FChart->Options();
        if (!Option("LinienzwischenArbeitspltze1"))
            options.linesBetweenResources = s.DrawLines;
        if (!Option("LinienzwischenmultiArbeitspltze1"))
            options.linesBetweenMultiRows = s.DrawLinesMultiRow;
        options.drawFullText = s.DrawFullText;
        FChart->InvalidateTimeChart(true);
    }
    // After "Editor as Window", which makes the editor's window.
    if (FEditor)
        FEditor->SetEditorPos(QPoint(s.EditorLeft, s.EditorTop));
    // The oldest first, so that the first entry ends on top.
    for (auto it = s.LastFiles.crbegin(); it != s.LastFiles.crend(); ++it)
        FRecentFiles.AddToLastFiles(*it);
}

void TSettingsKeeper::LoadIni()
{
    const TMemIniFile ini(FIniFileName);
    ApplyProgramSettings(ReadProgramSettings(ini, CurrentProgramSettings()));
}

bool TSettingsKeeper::SaveIni()
{
    TMemIniFile ini(FIniFileName);
    WriteProgramSettings(ini, CurrentProgramSettings());
    if (!platform::ensureParentFolder(FIniFileName) || !ini.UpdateFile(false)) {
        Log(QStringLiteral("The program settings could not be written to %1: %2").arg(FIniFileName, ini.LastError()));
        return false;
    }
    if (OnWritten)
        OnWritten(QStringLiteral("program ini"));
    return true;
}

// ---- the per-user document settings

namespace {

void StorePrintOptions(TDocumentSettings &s, const TPrintOptions &options)
{
    s.Footer = options.Footer;
    s.Header = options.Header;
    s.PrintToday = options.PrintToday;
    s.PrintHeader = options.PrintHeader;
    s.PrintFooter = options.PrintFooter;
    s.PrintFilename = options.PrintFilename;
    s.PrintLochrand = options.PrintLochrand;
    s.Orientation = options.Orientation;
}

TPrintOptions StoredPrintOptions(const TDocumentSettings &s)
{
    TPrintOptions options;
    options.Footer = s.Footer;
    options.Header = s.Header;
    options.PrintToday = s.PrintToday;
    options.PrintHeader = s.PrintHeader;
    options.PrintFooter = s.PrintFooter;
    options.PrintFilename = s.PrintFilename;
    options.PrintLochrand = s.PrintLochrand;
    options.Orientation = s.Orientation;
    return options;
}

} // namespace

TDocumentSettings TSettingsKeeper::CurrentDocumentSettings() const
{
    TDocumentSettings s = FDocument;
    if (OnGetPrintOptions)
        StorePrintOptions(s, OnGetPrintOptions());
    s.DenyMoveBeforeNow = OptionState(DenyMoveOption, FOptions.at(QString::fromLatin1(DenyMoveOption)));
    if (FCore.OnGetViewValues) {
        const TPlannerCore::TFileViewValues view = FCore.OnGetViewValues();
        s.RowHeight = view.RowHeight;
        s.ColWidth = view.ColWidth;
        s.Zoom = view.Zoom;
    }
    if (FChart) {
        const TTimeChartGeometry &geometry = FChart->Geometry();
        s.FontName = geometry.FontName();
        s.FontSize = geometry.FontSize();
        s.SmallTimeChartRowHeight = s.SmallTimeChartShownRowHeight = FChart->SmallTimeChartRowHeight();
        s.LastTimeChartStart = geometry.Start();
        s.LastTimeChartTop = geometry.Top();
        s.Transparency = FChart->Options().transparency;
    }
    if (FSplitter && !FSplitter->sizes().isEmpty())
        s.TimeChartHeight = FSplitter->sizes().constFirst();
    if (FEditor) {
        s.EditorWidth = FEditor->FEditorSize[tbTable].width();
        s.EditorHeight = FEditor->FEditorSize[tbTable].height();
        s.EditorWidthExclude = FEditor->FEditorSize[tbExclude].width();
        s.EditorHeightExclude = FEditor->FEditorSize[tbExclude].height();
    }
    if (FFilterEngine) {
        s.Filters.clear();
        for (const auto &filter : FFilterEngine->Filters()) {
            TSavedFilter saved;
            saved.Type = filter->params.FilterType;
            saved.SubType = filter->params.FilterSubType;
            saved.Text1 = filter->params.Text1;
            saved.Text2 = filter->params.text2;
            saved.Table = filter->table;
            saved.Group = filter->group;
            saved.Header = filter->header;
            s.Filters.push_back(saved);
        }
    }
    if (FTableCommands) {
        s.ColumnWidths.clear();
        for (TWhichTable table : {tbTable, tbExclude})
            for (const auto &[header, width] : FTableCommands->HandWidths(table))
                s.ColumnWidths.push_back({qint32(table), header, width});
    }
    return s;
}

void TSettingsKeeper::ApplyDocumentSettings(const TDocumentSettings &s)
{
    FDocument = s;
    if (OnSetPrintOptions)
        OnSetPrintOptions(StoredPrintOptions(s));
    if (FSplitter && FSplitter->count() == 2) {
        // Set only when it changes: a window not shown yet reports sizes it would not keep.
        const QList<int> sizes = FSplitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        if (s.TimeChartHeight != sizes.value(0) && total > 0)
            FSplitter->setSizes({s.TimeChartHeight, std::max(0, total - s.TimeChartHeight)});
    }
    if (FEditor) {
        FEditor->FEditorSize[tbTable] = QSize(s.EditorWidth, s.EditorHeight);
        FEditor->FEditorSize[tbExclude] = QSize(s.EditorWidthExclude, s.EditorHeightExclude);
        if (FEditor->EditorForm())
            FEditor->SetEditorSize(FEditor->FEditorSize[FCore.GetActiveTable()]);
    }
    if (FChart) {
        FChart->SetSmallTimeChartRowHeight(s.SmallTimeChartRowHeight);
        FChart->SetTimeChartFontName(s.FontName);
        FChart->SetTimeChartFontSize(s.FontSize);
    }
    ApplyOption(DenyMoveOption, s.DenyMoveBeforeNow);
    if (FFilterEngine) {
        FFilterEngine->ClearFilters();
        for (const TSavedFilter &saved : s.Filters) {
            TFilter filter;
            filter.params.FilterType = TFilterType(saved.Type);
            filter.params.FilterSubType = TFilterSubType(saved.SubType);
            filter.params.Text1 = saved.Text1;
            filter.params.text2 = saved.Text2;
            filter.table = TWhichTable(saved.Table);
            filter.group = saved.Group;
            filter.header = saved.Header;
            FFilterEngine->AddFilter(filter);
        }
        // The filters of the tab shown take effect.
        FCore.TabControl1Change();
    }
    if (FTableCommands)
        for (TWhichTable table : {tbTable, tbExclude}) {
            std::map<QString, int> widths;
            for (const TSavedColumnWidth &width : s.ColumnWidths)
                if (width.Table == table)
                    widths[width.Header] = width.Width;
            FTableCommands->SetHandWidths(table, widths);
        }
    if (FChart) {
        FChart->SetTimeChartColWidth(s.ColWidth);
        FChart->SetZoom(s.Zoom);
        FChart->Options().transparency = s.Transparency;
    }
    if (FChart) {
        FChart->PlaceAt(s.LastTimeChartStart, s.LastTimeChartTop);
        FChart->InvalidateTimeChart(true);
    } else {
        FCore.UpdateBounds(false);
    }
}

void TSettingsKeeper::LoadFileIni()
{
    const QString fileName = FFile.Sync().DirWatchThread()->GetUserSettingsFileName();
    if (fileName.isEmpty() || FFile.Sync().DirWatchThread()->Filename().isEmpty()) {
        if (FChart)
            FChart->PlaceAtDefault();
        return;
    }
    TDocumentSettings current = CurrentDocumentSettings();
    // Stands for "no start kept", which a file cannot give: the default view follows.
    constexpr TDateTime NoStart = MinDateTime - 1;
    current.LastTimeChartStart = NoStart;
    current.LastTimeChartTop = 0;
    // An imported document brought its own view; a settings file of the user comes first.
    if (FFile.FImportedSettings.Imported && !QFileInfo::exists(fileName)) {
        TakeImportedSettings();
        return;
    }
    const TMemIniFile ini(fileName);
    const TDocumentSettings read = ReadDocumentSettings(ini, current);
    ApplyDocumentSettings(read);
    // Without a kept start (or one that cannot be read) the first view is the default one,
    // once the chart has its width.
    if (FChart && read.LastTimeChartStart == NoStart)
        FChart->PlaceAtDefault();
}

bool TSettingsKeeper::SaveFileIni()
{
    const QString fileName = FFile.Sync().DirWatchThread()->GetUserSettingsFileName();
    if (fileName.isEmpty() || FFile.Sync().DirWatchThread()->Filename().isEmpty())
        return false;
    TMemIniFile ini(fileName);
    WriteDocumentSettings(ini, CurrentDocumentSettings());
    if (!ini.UpdateFile(false)) {
        Log(QStringLiteral("The document settings could not be written to %1: %2").arg(fileName, ini.LastError()));
        return false;
    }
    if (OnWritten)
        OnWritten(QStringLiteral("file ini"));
    return true;
}

void TSettingsKeeper::TakeImportedSettings()
{
    const TDocumentFile::TImportedSettings &imported = FFile.FImportedSettings;
    TDocumentSettings s = CurrentDocumentSettings();
    s.Footer = imported.Footer;
    s.Header = imported.Header;
    s.PrintToday = imported.PrintToday;
    s.PrintHeader = imported.PrintHeader;
    s.PrintFooter = imported.PrintFooter;
    s.PrintFilename = imported.PrintFilename;
    s.PrintLochrand = imported.PrintLochrand;
    s.FontSize = imported.FontSize;
    if (!imported.FontName.isEmpty())
        s.FontName = imported.FontName;
    s.ColWidth = imported.ColWidth;
    s.Zoom = imported.Zoom;
    s.Transparency = imported.Transparency;
    s.DenyMoveBeforeNow = imported.DenyMoveBeforeNow;
    if (imported.SmallTimeChartRowHeight > 0)
        s.SmallTimeChartRowHeight = s.SmallTimeChartShownRowHeight = imported.SmallTimeChartRowHeight;
    s.Filters.clear();
    for (const TSavedFilter &filter : imported.Filters)
        if (IsKnownFilter(filter))
            s.Filters.push_back(filter);
    ApplyOption("AutoArrange", imported.AutoArrange);
    ApplyDocumentSettings(s);
    // Old documents kept no chart position.
    if (FChart)
        FChart->PlaceAtDefault();
}

// ---- the language

QString TSettingsKeeper::LanguageFile(const QString &name)
{
    if (!IsPlainLanguageName(name))
        return QString();
    for (const QString &folder : platform::languageFolders()) {
        const QString file = QDir(folder).filePath(name + LanguageExtension);
        if (QFileInfo(file).isFile())
            return file;
    }
    return QString();
}

QStringList TSettingsKeeper::LanguageNames()
{
    QStringList names;
    for (const QString &folder : platform::languageFolders())
        for (const QString &file : QDir(folder).entryList({QLatin1Char('*') + LanguageExtension}, QDir::Files, QDir::Name)) {
            const QString name = file.chopped(LanguageExtension.size());
            if (!names.contains(name))
                names.append(name);
        }
    return names;
}

void TSettingsKeeper::FillLanguageMenu(QMenu *menu)
{
    if (!menu)
        return;
    // The menu is filled each time it opens: the previous items go with their group.
    menu->clear();
    qDeleteAll(menu->findChildren<QActionGroup *>(Qt::FindDirectChildrenOnly));
    auto *group = new QActionGroup(menu);
    for (const QString &name : LanguageNames()) {
        auto *item = new QAction(name, group);
        item->setProperty("noTranslate", true);
        item->setCheckable(true);
        item->setChecked(name == FLanguage);
        connect(item, &QAction::triggered, this, [this, name] { SetLanguage(name); });
        menu->addAction(item);
    }
    menu->setEnabled(!menu->isEmpty());
}

void TSettingsKeeper::SetLanguage(const QString &name)
{
    const QString file = LanguageFile(name);
    FLanguage = file.isEmpty() ? QString() : name;
    if (file.isEmpty())
        Language::CloseFile();
    else
        Language::SetLanguagefile(file);
    for (QWidget *window : QApplication::topLevelWidgets()) {
        Language::Translate(window);
        if (auto *splash = qobject_cast<TSplashForm *>(window))
            splash->UpdateShape();
    }
    // The captions that carry the current zoom and transparency are made anew in the language.
    if (FChart) {
        FChart->SetTransparency(FChart->Options().transparency);
        FChart->SetZoom(FChart->Geometry().Zoom());
    }
    // An untouched new document starts again, so its tables get translated captions.
    TDirWatchThread *journal = FFile.Sync().DirWatchThread();
    if (journal->Filename().isEmpty() && !FFile.Sync().HasUnsavedChanges()) {
        if (OnNewDocument)
            OnNewDocument();
        else
            FCore.ActionNewExecute();
    }
    if (QAction *clear = FWindow.findChild<QAction *>(QStringLiteral("ActionClearAllFilters"))) {
        clear->setText(Translate(QStringLiteral("Clear all Filters")));
        clear->setToolTip(Translate(QStringLiteral("Clear all Filters")));
    }
    // Group tab 0 gets the caption a new document gives it, in the new language; the filters
    // kept for the tab, which are found by its caption, follow it.
    const QString before = FCore.GroupTabCaptions().value(0);
    const QString after = Translate(QStringLiteral("all"));
    if (before != after) {
        if (FFilterEngine)
            for (const auto &filter : FFilterEngine->Filters())
                if (filter->group == before)
                    filter->group = after;
        FCore.SetGroupTabCaption(0, after);
    }
    FCore.UpdateStatusBar();
    if (OnLanguageChanged)
        OnLanguageChanged();
}
