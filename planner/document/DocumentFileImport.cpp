// Documents of earlier program generations were ini files. The import reads one into the
// model and saves it at once in the current format under the same name.

#include "document/DocumentFile.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <exception>

#include "CommaText.h"
#include "DateFormat.h"
#include "core/DocumentColors.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "MemIniFile.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"

namespace {

const QString SectionZOP = QStringLiteral("ZOP");
const QString SectionSetup = QStringLiteral("Setup");

QString Key(const QString &prefix, int index, const QString &suffix = QString())
{
    return prefix + QString::number(index) + suffix;
}

// Lines of one section; 0 when it is missing.
int SectionLines(const TMemIniFile &ini, const QString &section)
{
    QStringList lines;
    ini.ReadSectionValues(section, lines);
    return int(lines.size());
}

// A count read from the file, never more than the file can hold the items of: a short file
// claiming a billion entries must not allocate or loop for them.
int BoundedCount(int count, qint64 held)
{
    return int(std::clamp<qint64>(count, 0, held));
}

void ImportColors(const TMemIniFile &ini, const QString &section, QVector<TColor> &colors)
{
    int count = ini.ReadInteger(section, QStringLiteral("Count"), int(colors.size()));
    if (count < 0)
        return;
    // Each colour of the file is a line of its own; beyond those only the current ones stay.
    count = BoundedCount(count, std::max<qint64>(colors.size(), SectionLines(ini, section)));
    ReadColorList(colors, count, [&](int i) {
        return ini.ReadString(section, Key(QStringLiteral("Color"), i), QString());
    });
}

// What the file holds, for bounding the counts it claims.
struct TIniExtent {
    qint64 Sections = 0;
    qint64 Lines = 0;
    qint64 LargestSection = 0;

    explicit TIniExtent(const TMemIniFile &ini)
    {
        QStringList names;
        ini.ReadSections(names);
        Sections = names.size();
        for (const QString &name : names) {
            const qint64 lines = SectionLines(ini, name);
            Lines += lines;
            LargestSection = std::max(LargestSection, lines);
        }
    }
};

// View values of old files feed sizes and divisors: kept within what a chart can show.
constexpr int MaxColWidth = 10000;
constexpr int MaxZoom = 10000;
constexpr int MaxSmallChartRowHeight = 1000;

// The cells of a row section by key (the text before the first "="), the first line of a key
// winning as it does for single reads: one pass instead of a search per cell.
QHash<QString, QString> SectionByKey(const TMemIniFile &ini, const QString &section)
{
    QStringList lines;
    ini.ReadSectionValues(section, lines);
    QHash<QString, QString> values;
    values.reserve(lines.size());
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq < 0 ? QString() : line.left(eq).toCaseFolded();
        if (!values.contains(key))
            values.insert(key, eq < 0 ? QString() : line.mid(eq + 1));
    }
    return values;
}

// The date an old file's rows were planned against: storage form or the user's date form.
bool ReadOffsetDate(const QString &text, TDateTime &date)
{
    if (text.trimmed().isEmpty())
        return false;
    return TryStrToDateTimeFromStorage(text.trimmed(), date) || TryStrToDateTime(text.trimmed(), date);
}

} // namespace

bool TDocumentFile::ImportFrom(const QString &fileName)
{
    try {
        if (!ReadOldDocument(fileName))
            return false;
        FSync.NewDirWatchThread(fileName);
        FSync.SyncLoadTransactionsFrom(FSync.DirWatchThread()->GetTmpDirectory() + QStringLiteral("transactions/"));
        // Written in the current format; the old file goes to the recycle bin.
        Save(fileName);
        FCore.BackupTimer().stop();
        return true;
    } catch (const std::exception &e) {
        Log(QStringLiteral("importFrom() error: ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Log(QStringLiteral("importFrom() error: unknown error"));
    }
    return false;
}

bool TDocumentFile::ReadOldDocument(const QString &fileName)
{
    int version = -1;
    int subVersion = -1;
    int offsetDays = 0;
    bool hasOffset = false;
    {
        const TMemIniFile ini(fileName);
        version = ini.ReadInteger(SectionZOP, QStringLiteral("Version"), -1);
        subVersion = ini.ReadInteger(SectionZOP, QStringLiteral("SubVersion"), -1);
        if (version == -1 || subVersion == -1)
            return false; // not an old document: no message
        if (version < 3 && subVersion < 3) {
            FCore.Window().Ask(Translate(QStringLiteral(
                            "Version of file too old. Please contact brenik-software support for instructions.")),
                        mtInformation, {mbOK});
            return false;
        }
        if (FCore.Window().Ask(Translate(QStringLiteral("Import will convert the file to new fileformat!")),
                        mtInformation, {mbOK, mbCancel})
            != mrOk)
            return false;

        FCore.UndoStack().SetAcceptUndo(false);
        FCore.BeginUpdate(Translate(QStringLiteral("Open File %s..."), {fileName}));
        try {
            ImportSetup(ini);
            ImportPublicHoliday(ini);
            const bool datesAsStored = version <= 2 && subVersion < 5;
            ImportTable(ini, tbTable, datesAsStored);
            ImportTable(ini, tbExclude, datesAsStored);

            TDateTime offset = 0;
            if (ReadOffsetDate(ini.ReadString(SectionZOP, QStringLiteral("Offset"), QString()), offset)) {
                const double days = std::nearbyint(Date() - offset);
                // A date far outside any calendar moves nothing rather than overflowing.
                hasOffset = std::isfinite(days) && std::abs(days) < 1e7;
                offsetDays = hasOffset ? int(days) : 0;
            }
            if (hasOffset) {
                for (TWhichTable table : {tbTable, tbExclude})
                    FCore.ForEach(table, feAll,
                                  [this, offsetDays](TNodeData *node) { FCore.CB_OffsetNode(node, offsetDays); });
                // The moved plan may overlap itself: the opening road solves that once.
                FInitialDeOverlap = true;
            }
        } catch (...) {
            FCore.EndUpdate();
            FCore.UndoStack().SetAcceptUndo(true);
            throw;
        }
        FCore.EndUpdate();
        FCore.UndoStack().SetAcceptUndo(true);
    }
    return true;
}

void TDocumentFile::ImportSetup(const TMemIniFile &ini)
{
    TImportedSettings &settings = FImportedSettings;
    settings = TImportedSettings();
    settings.Imported = true;
    const TIniExtent extent(ini);

    FCore.SetMinUnit(ini.ReadInteger(SectionSetup, QStringLiteral("MinUnit"), muDay));
    settings.Footer = ini.ReadString(SectionSetup, QStringLiteral("Footer"), settings.Footer);
    settings.PrintToday = ini.ReadBool(SectionSetup, QStringLiteral("PrintToday"), false);
    settings.Header = ini.ReadString(SectionSetup, QStringLiteral("Header"), settings.Header);
    settings.PrintHeader = ini.ReadBool(SectionSetup, QStringLiteral("PrintHeader"), false);
    settings.PrintFooter = ini.ReadBool(SectionSetup, QStringLiteral("PrintFooter"), false);
    settings.PrintFilename = ini.ReadBool(SectionSetup, QStringLiteral("PrintFilename"), true);
    settings.PrintLochrand = ini.ReadBool(SectionSetup, QStringLiteral("PrintLochrand"), false);
    FCore.FDefaultHolidayReason =
        ini.ReadString(SectionSetup, QStringLiteral("DefaultHolidayReason"), FCore.FDefaultHolidayReason);
    FCore.FDefaultCalcWorkdays = ini.ReadBool(SectionSetup, QStringLiteral("DefaultCalcWorkdays"), true);
    FCore.FSaveFileCompressed = ini.ReadBool(SectionSetup, QStringLiteral("Komprimiert"), true);

    // A file that names no column count keeps the columns of a new document.
    const QString tableName = TableNames[tbTable];
    int columns = ini.ReadInteger(tableName, QStringLiteral("ColCount"), -1);
    if (columns >= 0) {
        // A column shows in the file as a line of its header or of a row at least.
        columns = BoundedCount(columns, extent.LargestSection);
        FCore.ResetConnections(tbTable);
        FCore.SetTableColCount(tbTable, columns);
        const QString connections = tableName + QStringLiteral("Connections");
        for (int cn = cnNone; cn < ConnectionCount; ++cn)
            FCore.SetConnection(tbTable, TConnection(cn), ini.ReadInteger(connections, ConnectionNames[cn], -1));
        const QString headers = tableName + QStringLiteral("Header");
        for (int i = 0; i < columns; ++i) {
            FCore.SetColumnCaption(tbTable, i, ini.ReadString(headers, Key(QStringLiteral("Caption"), i), QString()));
            const int type = ini.ReadInteger(headers, Key(QStringLiteral("Type"), i), ctText);
            FCore.SetColumnType(tbTable, i, type >= 0 && type < ColumnTypeCount ? TColumnType(type) : ctText);
            FCore.GetHeader(tbTable, i)->Strings =
                ParseCommaText(ini.ReadString(headers, Key(QStringLiteral("Strings"), i), QString()));
            FCore.SetColumnAlwaysWritable(i, false);
        }
    }

    // Each filter is a section of its own.
    const int filters = BoundedCount(ini.ReadInteger(SectionSetup, QStringLiteral("Filters"), 0), extent.Sections);
    for (int i = 0; i < filters; ++i)
        settings.Filters.append(ReadSavedFilter(ini, Key(QStringLiteral("Filter"), i)));

    ImportColors(ini, QStringLiteral("Color"), FCore.FColors);
    ImportColors(ini, QStringLiteral("HolidayColor"), FCore.FHolidayColors);

    const int reasonColumn = FCore.GetConnection(tbExclude, cnColor);
    if (reasonColumn >= 0) {
        FCore.GetHeader(tbExclude, reasonColumn)->Strings = ParseCommaText(
            ini.ReadString(QStringLiteral("Header"), QStringLiteral("HolidayReason"), DefaultAbsentReasonsText()));
    }

    FCore.ResetPositionGroups();
    const QString groups = QStringLiteral("PositionGroup");
    const int groupCount = BoundedCount(ini.ReadInteger(groups, QStringLiteral("Count"), 0), SectionLines(ini, groups));
    // Groups are numbered like their tabs, from 1; a file counting from 0 is read as such.
    const int base = ini.ValueExists(groups, QStringLiteral("name0")) ? 0 : 1;
    for (int i = base; i < base + groupCount; ++i)
        FCore.AddPositionGroup(ini.ReadString(groups, Key(QStringLiteral("name"), i), QString()),
                         ini.ReadString(groups, Key(QStringLiteral("filter"), i), QString()));

    const int rowSets =
        BoundedCount(ini.ReadInteger(SectionSetup, QStringLiteral("RowSetCount"), int(FCore.FRowSets.size())),
                     std::max<qint64>(FCore.FRowSets.size(), SectionLines(ini, SectionSetup)));
    FCore.FRowSets.clear();
    for (int i = 0; i < rowSets; ++i)
        FCore.FRowSets.append(ini.ReadInteger(SectionSetup, Key(QStringLiteral("RowSet"), i), 0));

    // The font size of files that stored none follows from their row height.
    settings.FontSize = FontSizeOfSection(ini, SectionSetup);
    settings.ColWidth =
        std::clamp(ini.ReadInteger(SectionSetup, QStringLiteral("ColWidth"), settings.ColWidth), 1, MaxColWidth);
    settings.Zoom = std::clamp(ini.ReadInteger(SectionSetup, QStringLiteral("Zoom"), settings.Zoom), 1, MaxZoom);
    settings.Transparency =
        std::clamp(ini.ReadInteger(SectionSetup, QStringLiteral("Transparency"), settings.Transparency), 0, 100);
    settings.DenyMoveBeforeNow = ini.ReadBool(SectionSetup, QStringLiteral("DenyMoveBeforeNow"), false);
    settings.AutoArrange = ini.ReadBool(SectionSetup, QStringLiteral("AutoArrange"), false);
    settings.SmallTimeChartRowHeight = std::clamp(
        ini.ReadInteger(SectionSetup, QStringLiteral("SmallTimeChartRowheight"), 0), 0, MaxSmallChartRowHeight);
    settings.FontName = ini.ReadString(SectionSetup, QStringLiteral("Fontname"), QString());
}

void TDocumentFile::ImportPublicHoliday(const TMemIniFile &ini)
{
    FCore.ClearHoliday();
    const QString section = QStringLiteral("Public Holiday");
    // Every holiday of the file has lines of its own in the section.
    const int count = BoundedCount(ini.ReadInteger(section, QStringLiteral("Count"), 0), SectionLines(ini, section));
    for (int i = 0; i < count; ++i) {
        const QString item = Key(QStringLiteral("Item"), i);
        FCore.AddHoliday(ini.ReadString(section, item + QStringLiteral("name"), QString()),
                   ini.ReadInteger(section, item + QStringLiteral("day"), 0),
                   ini.ReadInteger(section, item + QStringLiteral("month"), 0),
                   ini.ReadBool(section, item + QStringLiteral("enabled"), false),
                   ini.ReadBool(section, item + QStringLiteral("easter"), false));
    }
}

void TDocumentFile::ImportTable(const TMemIniFile &ini, TWhichTable table, bool datesAsStored)
{
    const QString tableName = TableNames[table];
    const int columns = FCore.GetTableColCount(table);
    // Each row is a section of its own; and a table never gets more cells than a generous
    // multiple of the lines the file holds (rows of empty cells cost memory all the same).
    const TIniExtent extent(ini);
    const qint64 cellBudget = std::max<qint64>(qint64(1) << 20, 64 * extent.Lines);
    const int rows = BoundedCount(ini.ReadInteger(tableName, QStringLiteral("RowCount"), 0),
                                  std::min<qint64>(extent.Sections, cellBudget / std::max(columns, 1)));
    QVector<bool> dates(columns);
    for (int j = 0; j < columns; ++j)
        dates[j] = !datesAsStored && FCore.GetColumnType(table, j) == ctDate;
    for (int i = 0; i < rows; ++i) {
        TNodeData *node = nullptr;
        try {
            node = FCore.AddNode(FCore.GetFreeID(), table, false);
        } catch (const std::exception &) {
            node = nullptr;
        }
        if (!node)
            break;
        const QHash<QString, QString> cells = SectionByKey(ini, Key(tableName + QStringLiteral("Item"), i));
        for (int j = 0; j < columns && j < node->StringList.size(); ++j) {
            QString text = cells.value(QString::number(j));
            TDateTime date = 0;
            if (dates[j] && !text.isEmpty() && TryStrToDateTimeFromStorage(text, date))
                text = FCore.FormatDateTime(date);
            FCore.DoSetData(node, j, text, false);
        }
    }
}
