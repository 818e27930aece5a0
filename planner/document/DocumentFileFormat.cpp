// The document file: reading it into the model (LoadFrom) and writing the model as one
// (SaveToBuffer, SaveTo). The file is an XML tree, plain or in the compressed stream.

#include "document/DocumentFile.h"

#include <QBuffer>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Allocator.h"
#include "Color.h"
#include "CommaText.h"
#include "DateFormat.h"
#include "core/DateTexts.h"
#include "core/DocumentColors.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "sync/DocumentSync.h"
#include "Version.h"
#include "XmlTree.h"

namespace {

const QString DocumentTemplate = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>");

const QString TableElement = QStringLiteral("__table__");

// A tree of more elements is big enough that its freed memory is given back at once.
constexpr int BigTreeElements = 100000;

QString Bool01(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

void ReadColors(const TXMLNode *list, QVector<TColor> &colors)
{
    if (!list)
        return;
    ReadColorList(colors, list->ChildCount(),
                  [list](int i) { return TXMLNode::ValueOf(list->namedNode(QString::number(i))); });
}

void WriteColors(TXMLNode *parent, const QString &name, const QVector<TColor> &colors)
{
    TXMLNode *list = parent->AddNode(name);
    for (int i = 0; i < colors.size(); ++i)
        list->AddNode(QString::number(i), ColorText(colors[i]));
}

QString ErrorText(const std::exception &e)
{
    return QString::fromLocal8Bit(e.what());
}

// The display texts of the dates of a file, each made once: a plan repeats its dates over and
// over. Whole days are found by their number, other moments by a hash.
class TShownDates
{
public:
    explicit TShownDates(TDateTexts &texts) : FTexts(texts) {}

    const QString &Of(TDateTime date)
    {
        const double day = std::floor(date);
        if (day == date && day > -1e9 && day < 1e9) {
            const qint64 number = qint64(day);
            if (FDays.empty())
                FFirst = number - DaysAround;
            if (number >= FFirst && number - FFirst < MaxDays) {
                const std::size_t at = std::size_t(number - FFirst);
                if (at >= FDays.size())
                    FDays.resize(std::max(at + 1, FDays.size() + std::size_t(DaysAround)));
                TShown &shown = FDays[at];
                if (!shown.made) {
                    shown.text = FTexts.Write(date);
                    shown.made = true;
                }
                return shown.text;
            }
        }
        auto found = FOther.find(date);
        if (found == FOther.end())
            found = FOther.emplace(date, FTexts.Write(date)).first;
        return found->second;
    }

private:
    static constexpr qint64 DaysAround = 4096;
    static constexpr qint64 MaxDays = 1 << 17; // about 360 years from the first date seen
    struct TShown
    {
        QString text;
        bool made = false;
    };
    TDateTexts &FTexts;
    qint64 FFirst = 0;
    std::vector<TShown> FDays;
    std::unordered_map<TDateTime, QString> FOther;
};

} // namespace

// ---- reading

bool TDocumentFile::LoadFrom(const QString &fileName)
{
    return LoadFrom(fileName, nullptr, false);
}

bool TDocumentFile::LoadFrom(const QString &fileName, std::unique_ptr<TXMLTree> read, bool readCompressed)
{
    int undoRefused = 0;
    bool bracket = false;
    try {
        const int major = platform::versionMajor();
        const int minor = platform::versionMinor();
        const bool given = read != nullptr;
        auto tree = given ? std::move(read) : std::make_unique<TXMLTree>();
        const bool compressed = given ? readCompressed : tree->LoadFromFile(fileName);
        const TXMLNode *setup = tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")});
        if (!setup)
            throw EPlannerError(QStringLiteral("root node not found in xml"));

        const int fileVersion = TXMLNode::ToIntOf(setup->namedNode(QStringLiteral("Version")), -1);
        const int fileSubVersion = TXMLNode::ToIntOf(setup->namedNode(QStringLiteral("SubVersion")), -1);
        if (fileVersion != major || fileSubVersion > minor) {
            const QString text = Translate(
                QStringLiteral("The file was created with a newer ZOP version.\nZOP version: %s\nFile-version: %s\nOpen file anyway?"),
                {QString::number(major) + QLatin1Char('.') + QString::number(minor),
                 QString::number(fileVersion) + QLatin1Char('.') + QString::number(fileSubVersion)});
            if (FCore.Window().Ask(text, mtConfirmation, {mbOK, mbCancel}) != mrOk)
                return false;
        }

        FCore.UndoStack().SetAcceptUndo(false);
        ++undoRefused;
        // A row's cells arrive one by one: its cache is refreshed once, when the bracket closes.
        FCore.BeginUpdate(Translate(QStringLiteral("Open File %s..."), {fileName}));
        bracket = true;
        LoadSetup(setup, compressed);
        LoadPublicHoliday(setup->namedNode(QStringLiteral("Public Holiday")));
        LoadTable(tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data")}));
        // Computing the ends needs memory of its own; the file's tree is done with.
        const bool big = tree->NodeCount() > BigTreeElements;
        tree.reset();
        if (big)
            platform::releaseFreeMemory();
        bracket = false;
        FCore.EndUpdate();
        FCore.UndoStack().SetAcceptUndo(true);
        --undoRefused;
        FCore.BackupTimer().stop();
        return true;
    } catch (const std::exception &e) {
        Log(QStringLiteral("loadFrom() error: ") + ErrorText(e));
    } catch (...) {
        Log(QStringLiteral("loadFrom() error: unknown error"));
    }
    if (bracket)
        FCore.EndUpdate();
    if (undoRefused)
        FCore.UndoStack().SetAcceptUndo(true);
    return false;
}

void TDocumentFile::LoadSetup(const TXMLNode *setup, bool compressed)
{
    auto child = [setup](const QString &name) { return setup->namedNode(name); };

    FCore.SetMinUnit(TXMLNode::ToIntOf(child(QStringLiteral("MinUnit")), muDay));
    FCore.FMaxHistoryFiles = TXMLNode::ToIntOf(child(QStringLiteral("MaxHistoryFiles")), 30);
    FCore.FDefaultHolidayReason = TXMLNode::ValueOf(child(QStringLiteral("DefaultHolidayReason")));
    FCore.FDefaultCalcWorkdays = TXMLNode::ToBoolOf(child(QStringLiteral("DefaultCalcWorkdays")), true);
    FCore.FSaveFileCompressed = compressed;

    // The file's connections alone count: the columns they pointed at before are gone.
    FCore.ResetConnections(tbTable);
    // A file without the element keeps the columns of a new document rather than none.
    const TXMLNode *headers = child(QStringLiteral("Headers"));
    const int columns = headers ? headers->ChildCount() : 0;
    if (headers)
        FCore.SetTableColCount(tbTable, columns);
    for (int i = 0; i < columns; ++i) {
        const TXMLNode *column = headers->namedNode(QString::number(i));
        auto value = [column](const QString &name) {
            return column ? column->namedNode(name) : nullptr;
        };
        FCore.SetColumnCaption(tbTable, i, TXMLNode::ValueOf(value(QStringLiteral("Caption"))));
        const int type = TXMLNode::ToIntOf(value(QStringLiteral("Type")), ctText);
        FCore.SetColumnType(tbTable, i, type >= 0 && type < ColumnTypeCount ? TColumnType(type) : ctText);
        THeaderData *header = FCore.GetHeader(tbTable, i);
        header->Strings = ParseCommaText(TXMLNode::ValueOf(value(QStringLiteral("Strings"))));
        FCore.SetColumnAlwaysWritable(i, TXMLNode::ToBoolOf(value(QStringLiteral("AlwaysWritable")), false));
    }

    const TXMLNode *connections = child(QStringLiteral("Connections"));
    for (int cn = cnPosition; cn <= cnInterval; ++cn)
        FCore.SetConnection(tbTable, TConnection(cn),
                      connections ? TXMLNode::ToIntOf(connections->namedNode(ConnectionNames[cn]), -1) : -1);

    ReadColors(child(QStringLiteral("Color")), FCore.FColors);
    ReadColors(child(QStringLiteral("HolidayColor")), FCore.FHolidayColors);

    // A file without the element keeps the reasons of a new document.
    const int reasonColumn = FCore.GetConnection(tbExclude, cnColor);
    if (const TXMLNode *reasons = child(QStringLiteral("HolidayReason")); reasons && reasonColumn >= 0)
        FCore.GetHeader(tbExclude, reasonColumn)->Strings = ParseCommaText(reasons->GetValue());

    LoadPositionGroups(child(QStringLiteral("PositionGroup")));

    FCore.FRowSets.clear();
    if (const TXMLNode *rowSets = child(QStringLiteral("RowSet")))
        for (int i = 0; i < rowSets->ChildCount(); ++i)
            FCore.FRowSets.append(TXMLNode::ToIntOf(rowSets->namedNode(QString::number(i)), 0));
}

void TDocumentFile::LoadTable(TXMLNode *data)
{
    if (!data)
        return;
    // The columns each file name stands for, per table; a name that several columns share
    // names them in order, as they were written. Cell names are looked up by the hash the
    // reader computed already, which spares hashing a text per cell.
    struct TFileName
    {
        QString name;
        QVector<int> columns;
    };
    std::array<std::vector<TFileName>, WhichTableCount> names;
    std::array<std::unordered_map<quint32, std::vector<int>>, WhichTableCount> namesByHash;
    std::array<QVector<bool>, WhichTableCount> dateColumn;
    for (TWhichTable table : {tbTable, tbExclude}) {
        const int count = FCore.GetTableColCount(table);
        dateColumn[table].resize(count);
        for (int i = 0; i < count; ++i) {
            const QString name = FCore.GetColumnCaptionHack(table, i);
            std::vector<int> &candidates = namesByHash[table][THashedString::Hash(name)];
            auto same = std::find_if(candidates.begin(), candidates.end(),
                                     [&](int k) { return names[table][std::size_t(k)].name == name; });
            if (same == candidates.end()) {
                candidates.push_back(int(names[table].size()));
                names[table].push_back({name, {}});
                same = candidates.end() - 1;
            }
            names[table][std::size_t(*same)].columns.append(i);
            dateColumn[table][i] = FCore.GetColumnType(table, i) == ctDate;
        }
    }
    auto fileName = [&](TWhichTable table, const THashedString &name) -> int {
        const auto it = namesByHash[table].find(name.HashValue());
        if (it == namesByHash[table].end())
            return -1;
        for (int k : it->second) {
            QString &known = names[table][std::size_t(k)].name;
            if (known.constData() == name.Value().constData() && known.size() == name.Value().size())
                return k;
            if (known == name.Value()) {
                // The reader hands out one buffer per name: the next cells match by it.
                known = name.Value();
                return k;
            }
        }
        return -1;
    };

    const THashedString tableKey(TableElement);
    auto tableOf = [](const TXMLNode &element) {
        return TXMLNode::ValueOf(element.namedNode(TableElement)) == TableNames[tbTable] ? tbTable : tbExclude;
    };
    // The row indexes grow once, not row by row; each row's table is read once.
    std::array<qsizetype, WhichTableCount> rowCount{};
    std::vector<TWhichTable> tables;
    tables.reserve(std::size_t(data->Nodes().size()));
    for (const auto &element : data->Nodes()) {
        tables.push_back(tableOf(*element));
        ++rowCount[tables.back()];
    }
    for (TWhichTable table : {tbTable, tbExclude})
        FCore.ReserveRows(table, rowCount[table]);
    TShownDates shownDates(FCore.DateTexts());
    // Occurrences of each file name in the current row, reset after the row.
    std::vector<int> seen(std::max(names[tbTable].size(), names[tbExclude].size()), 0);
    std::vector<int> counted;
    std::size_t row = 0;
    for (const auto &element : data->Nodes()) {
        const TWhichTable table = tables[row++];
        const TXMLAttribute *idAttribute = element->namedAttribute(QStringLiteral("id"));
        QString id = idAttribute ? idAttribute->GetValue() : QString();
        if (id.isEmpty())
            id = FCore.GetFreeID(); // a row without identity still keeps its cells
        TNodeData *node = FCore.AddNode(id, table, false);
        if (!node)
            continue;
        const TWhichTable rowTable = node->NodeTable;
        for (const auto &cell : element->Nodes()) {
            if (cell->Name() == tableKey)
                continue;
            const int k = fileName(rowTable, cell->Name());
            if (k < 0)
                continue;
            const QVector<int> &columns = names[rowTable][std::size_t(k)].columns;
            if (seen[std::size_t(k)]++ == 0)
                counted.push_back(k);
            const int column = columns.value(std::min<int>(seen[std::size_t(k)] - 1, int(columns.size()) - 1));
            QString value = cell->GetValue();
            if (dateColumn[rowTable][column] && !value.isEmpty()) {
                TDateTime date = 0;
                // A text that is not in storage form is kept as it stands.
                if (TryStrToDateTimeFromStorage(value, date))
                    value = shownDates.Of(date);
            }
            if (column < node->StringList.size())
                FCore.DoSetData(node, column, value, false);
        }
        for (int k : counted)
            seen[std::size_t(k)] = 0;
        counted.clear();
        // The row's cells are in the document now; their copies in the tree go at once, so
        // that a big file is not held twice.
        element->ClearNodes();
    }
}

// ---- writing

QByteArray TDocumentFile::SaveToBuffer(bool compress)
{
    // No end is written that is still to be computed (a save right after opening runs
    // inside the opening's bracket).
    FCore.RecalcPendingEnds();
    TXMLTree tree;
    tree.setText(DocumentTemplate);
    TXMLNode *setup = tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")});
    TXMLNode *data = tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data")});
    if (!setup || !data)
        throw EPlannerError(QStringLiteral("the document template is broken"));
    SaveSetup(setup);
    SaveTable(data, tbTable);
    SaveTable(data, tbExclude);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!tree.SaveToStream(buffer, compress, [&error](const QString &message) { error = message; }))
        throw EPlannerError(error.isEmpty() ? QStringLiteral("the document could not be serialised") : error);
    buffer.close();
    return bytes;
}

bool TDocumentFile::SaveTo(const QString &fileName)
{
    QString error;
    try {
        if (FSync.WriteDocumentFile(fileName, SaveToBuffer(FCore.FSaveFileCompressed), error))
            return true;
    } catch (const std::exception &e) {
        error = ErrorText(e);
    }
    Log(QStringLiteral("saveTo() error: ") + error);
    return false;
}

void TDocumentFile::SaveSetup(TXMLNode *setup)
{
    setup->AddNode(QStringLiteral("Version"), QString::number(platform::versionMajor()));
    setup->AddNode(QStringLiteral("SubVersion"), QString::number(platform::versionMinor()));
    setup->AddNode(QStringLiteral("Ausgabe"), QString::number(platform::versionRelease()));
    setup->AddNode(QStringLiteral("Build"), QString::number(platform::versionBuild()));
    setup->AddNode(QStringLiteral("MinUnit"), QString::number(int(FCore.GetMinUnit())));
    setup->AddNode(QStringLiteral("MaxHistoryFiles"), QString::number(FCore.FMaxHistoryFiles));
    setup->AddNode(QStringLiteral("DefaultHolidayReason"), FCore.FDefaultHolidayReason);
    setup->AddNode(QStringLiteral("DefaultCalcWorkdays"), Bool01(FCore.FDefaultCalcWorkdays));

    TXMLNode *connections = setup->AddNode(QStringLiteral("Connections"));
    for (int cn = cnPosition; cn <= cnInterval; ++cn)
        connections->AddNode(ConnectionNames[cn], QString::number(FCore.GetConnection(tbTable, TConnection(cn))));

    TXMLNode *headers = setup->AddNode(QStringLiteral("Headers"));
    const int columns = FCore.GetTableColCount(tbTable);
    for (int i = 0; i < columns; ++i) {
        TXMLNode *column = headers->AddNode(QString::number(i));
        column->AddNode(QStringLiteral("Caption"), FCore.GetColumnCaption(tbTable, i));
        column->AddNode(QStringLiteral("Type"), QString::number(int(FCore.GetColumnType(tbTable, i))));
        column->AddNode(QStringLiteral("Strings"), CommaTextOf(FCore.GetColumnStrings(tbTable, i)));
        column->AddNode(QStringLiteral("AlwaysWritable"), Bool01(FCore.ColumnAlwaysWritable().value(i, false)));
    }

    WriteColors(setup, QStringLiteral("Color"), FCore.FColors);
    WriteColors(setup, QStringLiteral("HolidayColor"), FCore.FHolidayColors);

    const int reasonColumn = FCore.GetConnection(tbExclude, cnColor);
    setup->AddNode(QStringLiteral("HolidayReason"),
                   reasonColumn >= 0 ? CommaTextOf(FCore.GetColumnStrings(tbExclude, reasonColumn)) : QString());

    SavePositionGroups(setup->AddNode(QStringLiteral("PositionGroup")));

    const TPlannerCore::TFileViewValues view =
        FCore.OnGetViewValues ? FCore.OnGetViewValues() : TPlannerCore::TFileViewValues();
    setup->AddNode(QStringLiteral("RowHeight"), QString::number(view.RowHeight));
    setup->AddNode(QStringLiteral("ColWidth"), QString::number(view.ColWidth));
    setup->AddNode(QStringLiteral("Zoom"), QString::number(view.Zoom));

    TXMLNode *rowSets = setup->AddNode(QStringLiteral("RowSet"));
    for (int i = 0; i < FCore.FRowSets.size(); ++i)
        rowSets->AddNode(QString::number(i), QString::number(FCore.FRowSets[i]));

    SavePublicHoliday(setup->AddNode(QStringLiteral("Public Holiday")));
}

void TDocumentFile::SaveTable(TXMLNode *data, TWhichTable table)
{
    const int columns = FCore.GetTableColCount(table);
    QStringList names;
    QVector<bool> dates(columns);
    for (int i = 0; i < columns; ++i) {
        names.append(FCore.GetColumnCaptionHack(table, i));
        dates[i] = FCore.GetColumnType(table, i) == ctDate;
    }
    const QString tableName = TableNames[table];
    FCore.ForEach(table, feAll, [&](TNodeData *node) {
        TXMLNode *row = data->AddNode(QStringLiteral("new"));
        row->AddAttribute(QStringLiteral("id"), node->ID.Value());
        row->AddNode(TableElement, tableName);
        for (int i = 0; i < columns; ++i) {
            QString value = node->StringList.value(i);
            if (dates[i] && !value.trimmed().isEmpty()) {
                // A text that names no date is written as it stands rather than lost.
                TDateTime date = 0;
                if (TryStrToDateTime(value, date))
                    value = FormatDateTimeForStorage(FCore.StrToDateTime(value, date));
            }
            row->AddNode(names[i], value);
        }
    });
}
