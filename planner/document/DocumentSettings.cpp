#include "document/DocumentSettings.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

#include "CustomIniFile.h"
#include "core/DocumentTypes.h"
#include "core/FilterParams.h"

namespace {

const QString Setup = QStringLiteral("Setup");
const QString Printer = QStringLiteral("printer");
const QString View = QStringLiteral("view");
const QString FilterPrefix = QStringLiteral("Filter");
const QString ColumnWidthPrefix = QStringLiteral("ColumnWidth");

// Texts of several lines are kept in the ini file with "\n" for each line break.
QString MultiLine(const QString &stored)
{
    QString text = stored;
    return text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

int Clamped(const TCustomIniFile &ini, const QString &section, const QString &key, int def, int lo, int hi)
{
    return std::clamp(ini.ReadInteger(section, key, def), lo, hi);
}

// The number N of a section named prefix N; -1 for any other name.
qint64 SectionNumber(const QString &section, const QString &prefix)
{
    if (!section.startsWith(prefix, Qt::CaseInsensitive))
        return -1;
    const QString digits = section.mid(prefix.size());
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    return ok && number >= 0 && !digits.startsWith(QLatin1Char('+')) ? number : -1;
}

// The sections prefix 0, prefix 1 ... of a list whose length the key `count` of [Setup]
// gives, as far as the file has them: a count the file does not back is no loop.
QStringList ListSections(const TCustomIniFile &ini, const QString &count, const QString &prefix)
{
    QStringList sections;
    ini.ReadSections(sections);
    QSet<QString> present;
    for (const QString &section : std::as_const(sections))
        present.insert(section.toLower());
    QStringList list;
    const int length = ini.ReadInteger(Setup, count, 0);
    for (int i = 0; i < length; ++i) {
        const QString section = prefix + QString::number(i);
        if (!present.contains(section.toLower()))
            break;
        list.append(section);
    }
    return list;
}

// Writes the length of such a list; the sections beyond it go.
void WriteListLength(TCustomIniFile &ini, const QString &count, const QString &prefix, qint64 length)
{
    ini.WriteInteger(Setup, count, int(length));
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString &section : std::as_const(sections))
        if (SectionNumber(section, prefix) >= length)
            ini.EraseSection(section);
}

} // namespace

TSavedFilter ReadSavedFilter(const TCustomIniFile &ini, const QString &section)
{
    TSavedFilter filter;
    filter.Type = ini.ReadInteger(section, QStringLiteral("Type"), 0);
    filter.SubType = ini.ReadInteger(section, QStringLiteral("SubType"), 0);
    filter.Text1 = ini.ReadString(section, QStringLiteral("Text1"), QString());
    filter.Text2 = ini.ReadString(section, QStringLiteral("Text2"), QString());
    filter.Table = ini.ReadInteger(section, QStringLiteral("Table"), 0);
    filter.Group = ini.ReadString(section, QStringLiteral("Group"), QString());
    filter.Header = ini.ReadString(section, QStringLiteral("Header"), QString());
    return filter;
}

bool IsKnownFilter(const TSavedFilter &filter)
{
    // A filter of no known kind or table cannot be applied to anything.
    return filter.Type >= ftNone && filter.Type <= ftNumber && filter.SubType >= fsSmaller
           && filter.SubType <= fsEmpty && (filter.Table == tbTable || filter.Table == tbExclude);
}

int FontSizeOfSection(const TCustomIniFile &ini, const QString &section)
{
    // 64 bits: the row height may be any 32-bit number.
    qint64 size = 10;
    if (ini.ValueExists(section, QStringLiteral("FontSize")))
        size = ini.ReadInteger(section, QStringLiteral("FontSize"), 10);
    else if (ini.ValueExists(section, QStringLiteral("RowHeight")))
        size = qint64(ini.ReadInteger(section, QStringLiteral("RowHeight"), 30)) / 4 * 72 / 92;
    return int(std::clamp<qint64>(size, SettingsRange::MinFontSize, SettingsRange::MaxFontSize));
}

TDocumentSettings ReadDocumentSettings(const TCustomIniFile &ini, const TDocumentSettings &current)
{
    using namespace SettingsRange;
    TDocumentSettings s = current;
    s.Footer = MultiLine(ini.ReadString(Setup, QStringLiteral("Footer"), current.Footer));
    s.PrintToday = ini.ReadBool(Setup, QStringLiteral("PrintToday"), false);
    s.Header = MultiLine(ini.ReadString(Setup, QStringLiteral("Header"), current.Header));
    s.PrintHeader = ini.ReadBool(Setup, QStringLiteral("PrintHeader"), false);
    s.PrintFooter = ini.ReadBool(Setup, QStringLiteral("PrintFooter"), false);
    s.PrintFilename = ini.ReadBool(Setup, QStringLiteral("PrintFilename"), true);
    s.PrintLochrand = ini.ReadBool(Setup, QStringLiteral("PrintLochrand"), false);
    s.Orientation = ini.ReadInteger(Printer, QStringLiteral("orientation"), current.Orientation) == 1 ? 1 : 0;

    s.EditorWidth = Clamped(ini, Setup, QStringLiteral("editorwidth"), current.EditorWidth, MinEditorSize, MaxWindowSize);
    s.EditorHeight = Clamped(ini, Setup, QStringLiteral("editorheight"), current.EditorHeight, MinEditorSize, MaxWindowSize);
    s.EditorWidthExclude =
        Clamped(ini, Setup, QStringLiteral("editorwidthExclude"), current.EditorWidthExclude, MinEditorSize, MaxWindowSize);
    s.EditorHeightExclude =
        Clamped(ini, Setup, QStringLiteral("editorheightExclude"), current.EditorHeightExclude, MinEditorSize, MaxWindowSize);
    s.TimeChartHeight = Clamped(ini, Setup, QStringLiteral("TimeChartHeight"), current.TimeChartHeight, 0, MaxWindowSize);

    // The older key gives the default of the newer one.
    const int kept = Clamped(ini, View, QStringLiteral("smalltimechartheight"), current.SmallTimeChartRowHeight, 1,
                             MaxSmallChartRowHeight);
    s.SmallTimeChartRowHeight =
        Clamped(ini, Setup, QStringLiteral("SmallTimeChartRowheight"), kept, 1, MaxSmallChartRowHeight);
    s.SmallTimeChartShownRowHeight = s.SmallTimeChartRowHeight;

    s.FontName = ini.ReadString(Setup, QStringLiteral("Fontname"), current.FontName);
    s.DenyMoveBeforeNow = ini.ReadBool(Setup, QStringLiteral("DenyMoveBeforeNow"), current.DenyMoveBeforeNow);

    s.Filters.clear();
    for (const QString &section : ListSections(ini, QStringLiteral("Filters"), FilterPrefix)) {
        const TSavedFilter filter = ReadSavedFilter(ini, section);
        if (IsKnownFilter(filter))
            s.Filters.push_back(filter);
    }

    s.ColumnWidths.clear();
    for (const QString &section : ListSections(ini, QStringLiteral("ColumnWidths"), ColumnWidthPrefix)) {
        TSavedColumnWidth width;
        width.Table = ini.ReadInteger(section, QStringLiteral("Table"), -1);
        width.Header = ini.ReadString(section, QStringLiteral("Header"), QString());
        width.Width = Clamped(ini, section, QStringLiteral("Width"), 0, 0, MaxTableColumnWidth);
        if ((width.Table == tbTable || width.Table == tbExclude) && !width.Header.isEmpty() && width.Width > 0)
            s.ColumnWidths.push_back(width);
    }

    s.FontSize = FontSizeOfSection(ini, Setup);
    s.RowHeight = Clamped(ini, Setup, QStringLiteral("RowHeight"), current.RowHeight, 1, MaxRowHeight);
    s.ColWidth = Clamped(ini, Setup, QStringLiteral("ColWidth"), 8, 1, MaxColWidth);
    s.Zoom = Clamped(ini, Setup, QStringLiteral("Zoom"), 100, 1, MaxZoom);
    s.Transparency = Clamped(ini, Setup, QStringLiteral("Transparency"), 50, 0, 100);

    const TDateTime start = ini.ReadDateTime(Setup, QStringLiteral("LastTimeChartStart"), current.LastTimeChartStart);
    s.LastTimeChartStart = start >= MinDateTime && start <= MaxDateTime ? start : current.LastTimeChartStart;
    s.LastTimeChartTop = Clamped(ini, Setup, QStringLiteral("LastTimeChartTop"), 0, 0, MaxChartTop);
    return s;
}

void WriteDocumentSettings(TCustomIniFile &ini, const TDocumentSettings &s)
{
    ini.WriteString(Setup, QStringLiteral("Footer"), s.Footer);
    ini.WriteBool(Setup, QStringLiteral("PrintToday"), s.PrintToday);
    ini.WriteString(Setup, QStringLiteral("Header"), s.Header);
    ini.WriteBool(Setup, QStringLiteral("PrintHeader"), s.PrintHeader);
    ini.WriteBool(Setup, QStringLiteral("PrintFooter"), s.PrintFooter);
    ini.WriteBool(Setup, QStringLiteral("PrintFilename"), s.PrintFilename);
    ini.WriteBool(Setup, QStringLiteral("PrintLochrand"), s.PrintLochrand);
    ini.WriteBool(Setup, QStringLiteral("DenyMoveBeforeNow"), s.DenyMoveBeforeNow);
    ini.WriteInteger(Printer, QStringLiteral("orientation"), s.Orientation);
    ini.WriteInteger(Setup, QStringLiteral("editorwidth"), s.EditorWidth);
    ini.WriteInteger(Setup, QStringLiteral("editorheight"), s.EditorHeight);
    ini.WriteInteger(Setup, QStringLiteral("editorwidthExclude"), s.EditorWidthExclude);
    ini.WriteInteger(Setup, QStringLiteral("editorheightExclude"), s.EditorHeightExclude);
    ini.WriteInteger(Setup, QStringLiteral("TimeChartHeight"), s.TimeChartHeight);
    ini.WriteString(Setup, QStringLiteral("Fontname"), s.FontName);
    ini.WriteInteger(Setup, QStringLiteral("Fontsize"), s.FontSize);
    ini.WriteInteger(Setup, QStringLiteral("SmallTimeChartRowheight"), s.SmallTimeChartShownRowHeight);
    ini.WriteInteger(View, QStringLiteral("smalltimechartheight"), s.SmallTimeChartRowHeight);
    ini.WriteDateTime(Setup, QStringLiteral("LastTimeChartStart"), s.LastTimeChartStart);
    ini.WriteInteger(Setup, QStringLiteral("LastTimeChartTop"), s.LastTimeChartTop);

    const qint64 count = qint64(s.Filters.size());
    WriteListLength(ini, QStringLiteral("Filters"), FilterPrefix, count);
    for (qint64 i = 0; i < count; ++i) {
        const TSavedFilter &filter = s.Filters[size_t(i)];
        const QString section = FilterPrefix + QString::number(i);
        ini.WriteInteger(section, QStringLiteral("Type"), filter.Type);
        ini.WriteInteger(section, QStringLiteral("SubType"), filter.SubType);
        ini.WriteString(section, QStringLiteral("Text1"), filter.Text1);
        ini.WriteString(section, QStringLiteral("Text2"), filter.Text2);
        ini.WriteInteger(section, QStringLiteral("Table"), filter.Table);
        ini.WriteString(section, QStringLiteral("Group"), filter.Group);
        ini.WriteString(section, QStringLiteral("Header"), filter.Header);
    }

    ini.WriteInteger(Setup, QStringLiteral("RowHeight"), s.RowHeight);
    ini.WriteInteger(Setup, QStringLiteral("ColWidth"), s.ColWidth);
    ini.WriteInteger(Setup, QStringLiteral("Zoom"), s.Zoom);
    ini.WriteInteger(Setup, QStringLiteral("Transparency"), s.Transparency);

    const qint64 widths = qint64(s.ColumnWidths.size());
    WriteListLength(ini, QStringLiteral("ColumnWidths"), ColumnWidthPrefix, widths);
    for (qint64 i = 0; i < widths; ++i) {
        const TSavedColumnWidth &width = s.ColumnWidths[size_t(i)];
        const QString section = ColumnWidthPrefix + QString::number(i);
        ini.WriteInteger(section, QStringLiteral("Table"), width.Table);
        ini.WriteString(section, QStringLiteral("Header"), width.Header);
        ini.WriteInteger(section, QStringLiteral("Width"), width.Width);
    }
}
