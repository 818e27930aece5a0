// The string tree's content as text, CSV, HTML and RTF, and the clipboard renderings of them.

#include "treegrid/CustomStringTreeGrid.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "Color.h"
#include "Cp1252.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridStream.h"

namespace {

bool needsQuotes(const QString &text, const QString &separator)
{
    for (QChar c : text)
        if (c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return !separator.isEmpty() && text.contains(separator);
}

void appendField(QString &out, const QString &text, const QString &separator)
{
    if (!needsQuotes(text, separator)) {
        out += text;
        return;
    }
    out += u'"';
    for (QChar c : text) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

void appendRepeated(QString &out, const QString &text, int count)
{
    for (int i = 0; i < count; ++i)
        out += text;
}

QByteArray htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray hexColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return "#" + QByteArray::number(GetRValue(rgb), 16).rightJustified(2, '0').toUpper()
           + QByteArray::number(GetGValue(rgb), 16).rightJustified(2, '0').toUpper()
           + QByteArray::number(GetBValue(rgb), 16).rightJustified(2, '0').toUpper();
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

// A font name as a CSS string in the given quotes: backslash and the quote escaped, control
// characters as hex escapes. For a style attribute the string is then escaped as attribute
// text; inside a style element "<" is written as a hex escape, so no name ends the element.
QByteArray cssString(const QString &text, char quote, bool attribute)
{
    QString result(QChar::fromLatin1(quote));
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == char16_t(quote))
            result += QLatin1Char('\\') + c;
        else if (u < 0x20 || u == 0x7F || (!attribute && u == u'<'))
            result += QLatin1Char('\\') + QString::number(u, 16).toUpper() + QLatin1Char(' ');
        else
            result += c;
    }
    result += QChar::fromLatin1(quote);
    return attribute ? htmlEscaped(result) : result.toUtf8();
}

// ".name{font: ... color:#RRGGBB;}" for a named style, else an inline style attribute. The font
// shorthand takes style, weight, size and family only; underlining is a declaration of its own.
QByteArray htmlStyle(const QByteArray &name, const TFont &font)
{
    const bool inlineStyle = name.isEmpty();
    QByteArray result = inlineStyle ? QByteArray(" style=\"font:") : "." + name + "{font:";
    if (font.Style() & fsItalic)
        result += " italic";
    if (font.Style() & fsBold)
        result += " bold";
    // Single quotes inside the double-quoted attribute, so that the attribute holds the whole style.
    const QByteArray family = cssString(font.Name(), inlineStyle ? '\'' : '"', inlineStyle);
    if (font.Size() >= 0)
        result += " " + number(font.Size()) + "pt " + family + ";";
    else
        result += " " + number(std::abs(font.Height())) + "px " + family + ";";
    if (font.Style() & fsUnderline)
        result += "text-decoration:underline;";
    result += "color:" + hexColor(font.Color()) + ";";
    return result + (inlineStyle ? "\"" : "}");
}

QByteArray alignmentAttribute(TColumnAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return " align=right";
    case taCenter: return " align=center";
    default: return " align=left";
    }
}

// A font name as the font table holds it: the characters RTF gives a meaning (backslash, braces,
// the semicolon that ends an entry) and control characters escaped, any other non-ASCII
// character as a Unicode escape with "?" for readers that lack it.
QByteArray rtfFontName(const QString &name)
{
    QByteArray result;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            result += '\\';
            result += char(u);
        } else if (u < 0x20 || u == u';' || u == 0x7F) {
            result += "\\'" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else if (u < 0x80) {
            result += char(u);
        } else {
            result += "\\u" + number(qint16(u)) + "\\'3f";
        }
    }
    return result;
}

// The running state of an RTF body: its font and colour tables and the current cell format.
class TRtfWriter
{
public:
    QByteArray Body;

    void TextPlusFont(const QString &text, const TFont &font)
    {
        if (text.isEmpty())
            return;
        const bool underline = font.Style() & fsUnderline;
        const bool italic = font.Style() & fsItalic;
        const bool bold = font.Style() & fsBold;
        if (underline)
            Body += "\\ul";
        if (italic)
            Body += "\\i";
        if (bold)
            Body += "\\b";
        const int fontIndex = IndexOf(FFonts, font.Name());
        if (fontIndex != FCurrentFont) {
            FCurrentFont = fontIndex;
            Body += "\\f" + number(fontIndex);
        }
        const int colorIndex = IndexOf(FColors, ColorToRGB(font.Color()));
        if (colorIndex != FCurrentColor) {
            FCurrentColor = colorIndex;
            Body += "\\cf" + number(colorIndex + 1);
        }
        // Sizes are positive whatever way the font states its height.
        const int size = std::max(1, std::abs(font.Size()));
        if (size != FCurrentSize) {
            FCurrentSize = size;
            Body += "\\fs" + number(2 * size);
        }
        Body += ' ';
        for (QChar c : text) {
            if (c == u'\n')
                Body += "{\\par}";
            else if (c != u'\r')
                Body += "\\u" + number(qint16(c.unicode())) + "\\'3f";
        }
        if (underline)
            Body += "\\ul0";
        if (italic)
            Body += "\\i0";
        if (bold)
            Body += "\\b0";
    }

    QByteArray Document() const
    {
        QByteArray result = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl";
        for (int i = 0; i < int(FFonts.size()); ++i)
            result += "{\\f" + number(i) + " " + rtfFontName(FFonts[size_t(i)]) + ";}";
        result += "}{\\colortbl;";
        for (TColor color : FColors)
            result += "\\red" + number(GetRValue(color)) + "\\green" + number(GetGValue(color)) + "\\blue"
                      + number(GetBValue(color)) + ";";
        return result + "}" + Body;
    }

private:
    template <class T>
    static int IndexOf(std::vector<T> &list, const T &value)
    {
        auto found = std::find(list.begin(), list.end(), value);
        if (found != list.end())
            return int(found - list.begin());
        list.push_back(value);
        return int(list.size()) - 1;
    }

    std::vector<QString> FFonts;
    std::vector<TColor> FColors;
    int FCurrentFont = -1;
    int FCurrentColor = -1;
    int FCurrentSize = -1;
};

// The list separator goes with the decimal separator, as spreadsheets expect.
QString listSeparator()
{
    return QLocale().decimalPoint() == QLatin1String(",") ? QStringLiteral(";") : QStringLiteral(",");
}

QByteArray rtfAlignment(TColumnAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return "\\qr";
    case taCenter: return "\\qc";
    default: return {};
    }
}

} // namespace

// ---- shared parts

bool TCustomStringTreeGrid::CanExportNode(PGridNode node) const
{
    switch (TreeOptions().ExportMode()) {
    case emChecked: return node->CheckState == csCheckedNormal;
    case emUnchecked: return node->CheckState == csUncheckedNormal;
    default: return true;
    }
}

bool TCustomStringTreeGrid::DoBeforeNodeExport(TTGExportType exportType, PGridNode node)
{
    bool allowed = true;
    Raise(OnBeforeNodeExport, exportType, node, allowed);
    // A node the handler removed is left out.
    return allowed && !IsRemoved(node);
}

void TCustomStringTreeGrid::DoAfterNodeExport(TTGExportType exportType, PGridNode node)
{
    Raise(OnAfterNodeExport, exportType, node);
}

std::vector<TTreeGridColumn *> TCustomStringTreeGrid::ExportColumns()
{
    if (!UseColumns())
        return {};
    return Header()->Columns()->GetVisibleColumns();
}

std::vector<PGridNode> TCustomStringTreeGrid::ExportNodes(TVSTTextSourceType source, bool exportableOnly,
                                                         int &maxLevel)
{
    std::vector<PGridNode> nodes;
    maxLevel = 0;
    PGridNode node = nullptr;
    std::function<PGridNode(PGridNode)> next;
    GetRenderStartValues(source, node, next);
    for (; node; node = next(node)) {
        const bool exportable = CanExportNode(node);
        if (exportable || !exportableOnly)
            maxLevel = std::max(maxLevel, int(GetNodeLevel(node)));
        if (exportable)
            nodes.push_back(node);
    }
    return nodes;
}

// ---- text and CSV

QString TCustomStringTreeGrid::ContentToUnicode(TVSTTextSourceType source, QChar separator)
{
    return ContentToUnicode(source, QString(separator));
}

QByteArray TCustomStringTreeGrid::ContentToText(TVSTTextSourceType source, QChar separator)
{
    return ContentToText(source, QString(separator));
}

QByteArray TCustomStringTreeGrid::ContentToText(TVSTTextSourceType source, const QString &separator)
{
    return platform::toCp1252(ContentToUnicode(source, separator));
}

QString TCustomStringTreeGrid::ContentToUnicode(TVSTTextSourceType source, const QString &separator)
{
    const std::vector<TTreeGridColumn *> columns = ExportColumns();
    int maxLevel = 0;
    const std::vector<PGridNode> nodes = ExportNodes(source, false, maxLevel);
    const TColumnIndex mainColumn = MainColumn();
    QString tabs;
    appendRepeated(tabs, separator, maxLevel);

    QString out;
    out.reserve(qsizetype(nodes.size() + 1) * qsizetype(std::max<size_t>(columns.size(), 1)) * 12);
    if (!columns.empty()) {
        for (size_t i = 0; i < columns.size(); ++i) {
            appendField(out, columns[i]->Text(), separator);
            if (i + 1 < columns.size()) {
                if (columns[i]->Index() == mainColumn)
                    out += tabs;
                out += separator;
            }
        }
        out += QLatin1String("\r\n");
    }
    for (PGridNode node : nodes) {
        if (!DoBeforeNodeExport(etText, node))
            continue;
        const int level = int(GetNodeLevel(node));
        if (!columns.empty()) {
            for (size_t i = 0; i < columns.size(); ++i) {
                TTreeGridColumn *column = columns[i];
                if (!column->Options().contains(coVisible))
                    continue;
                const bool isMain = column->Index() == mainColumn;
                if (isMain)
                    appendRepeated(out, separator, level);
                appendField(out, Text(node, column->Index()), separator);
                if (isMain)
                    appendRepeated(out, separator, maxLevel - level);
                if (i + 1 < columns.size())
                    out += separator;
            }
            DoAfterNodeExport(etText, node);
            out += QLatin1String("\r\n");
        } else {
            appendRepeated(out, separator, level);
            appendField(out, Text(node, NoColumn), separator);
            out += QLatin1String("\r\n");
            DoAfterNodeExport(etText, node);
        }
    }
    return out;
}

// ---- HTML

QByteArray TCustomStringTreeGrid::ContentToHTML(TVSTTextSourceType source, const QString &caption)
{
    const std::vector<TTreeGridColumn *> columns = ExportColumns();
    int maxLevel = 0;
    const std::vector<PGridNode> nodes = ExportNodes(source, true, maxLevel);
    const TColumnIndex mainColumn = MainColumn();
    const QByteArray cellPadding = "padding-left:" + number(Margin()) + "px;padding-right:" + number(Margin()) + "px;";
    const QByteArray indentWidth = number(Indent());
    const TTGPaintOptions paint = TreeOptions().PaintOptions();
    const bool horzLines = paint.contains(toShowHorzGridLines);
    const bool vertLines = paint.contains(toShowVertGridLines);
    const QByteArray lineStyle = LineStyle() == lsSolid ? "solid;" : "dotted;";

    QByteArray attributes;
    if (!caption.isEmpty())
        attributes += " caption=\"" + htmlEscaped(caption) + "\"";
    if (BorderStyle() != bsNone)
        attributes += " border=\"" + number(1) + "\" frame=box";

    QByteArray out;
    out += "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
    out += "<style type=\"text/css\">\r\n";
    out += htmlStyle("default", TreeFont()) + "\r\n";
    out += htmlStyle("header", Header()->Font()) + "\r\n";
    if (!horzLines)
        out += ".noborder{border-style:none;" + cellPadding + "}";
    else
        out += ".noborder{border-style:" + lineStyle + " border-bottom:1;border-left:0;border-right:0; border-top:0;"
               + cellPadding + "}";
    out += "\r\n";
    out += ".normalborder {border-top:none; border-left:none; vertical-align:top;"
           + (vertLines ? "border-right:1 " + lineStyle : QByteArray("border-right:none;"))
           + (horzLines ? "border-bottom:1 " + lineStyle : QByteArray("border-bottom:none;")) + cellPadding + "}";
    out += "</style>\r\n";
    out += "<table class=\"default\" bgcolor=" + hexColor(Color()) + attributes + " cellspacing=\"0\" cellpadding="
           + number(Margin()) + ">\r\n";

    const auto columnColor = [](TTreeGridColumn *column) {
        return column->Options().contains(coParentColor) ? QByteArray() : " bgcolor=" + hexColor(column->Color());
    };
    const auto direction = [](TTreeGridColumn *column) {
        return column->BiDiMode() != bdLeftToRight ? QByteArray(" dir=\"rtl\"") : QByteArray();
    };

    if (!columns.empty()) {
        Raise(OnBeforeHeaderExport, etHTML);
        out += "<tr class=\"header\" style=\"" + cellPadding + "\">\r\n";
        for (TTreeGridColumn *column : columns) {
            Raise(OnBeforeColumnExport, etHTML, column);
            out += "<th height=\"" + number(Header()->Height()) + "px\"" + direction(column)
                   + alignmentAttribute(column->CaptionAlignment());
            if (column->Index() == mainColumn && maxLevel > 0)
                out += " colspan=\"" + number(maxLevel + 1) + "\"";
            out += columnColor(column) + " width=\"" + number(column->Width()) + "px\">";
            out += htmlEscaped(column->Text()) + "</th>";
            Raise(OnAfterColumnExport, etHTML, column);
        }
        out += "</tr>\r\n";
        Raise(OnAfterHeaderExport, etHTML);
    }

    TCanvas &canvas = MeasureCanvas();
    const std::vector<TTreeGridColumn *> cellColumns = columns.empty() ? std::vector<TTreeGridColumn *>{nullptr}
                                                                       : columns;
    for (PGridNode node : nodes) {
        if (!DoBeforeNodeExport(etHTML, node))
            continue;
        const int level = int(GetNodeLevel(node));
        const QByteArray height = number(NodeHeight(node));
        out += " <tr class=\"default\">\r\n";
        for (TTreeGridColumn *column : cellColumns) {
            const TColumnIndex index = column ? column->Index() : NoColumn;
            canvas.Font().Assign(TreeFont());
            DoPaintText(node, canvas, index, ttNormal);
            const bool isMain = index == mainColumn;
            const QByteArray color = column ? columnColor(column) : QByteArray();
            if (isMain) {
                for (int i = 0; i < level; ++i) {
                    if (color.isEmpty())
                        out += " <td height=\"" + height + "px\">&nbsp;</td>";
                    else
                        out += "<td class=\"noborder\" width=\"" + indentWidth + "\" height=\"" + height + "px\""
                               + color + ">&nbsp;</td>";
                }
            }
            out += " <td class=\"normalborder\" " + htmlStyle({}, canvas.Font()) + " height=\"" + height + "px\"";
            if (column)
                out += direction(column) + alignmentAttribute(column->Alignment());
            if (isMain && maxLevel - level + 1 > 1)
                out += " colspan=\"" + number(maxLevel - level + 1) + "\"";
            out += color + ">" + htmlEscaped(Text(node, index)) + "</td>";
        }
        out += " </tr>\r\n";
        DoAfterNodeExport(etHTML, node);
    }
    out += "</table>";
    return out;
}

QByteArray TCustomStringTreeGrid::MakeHTMLFragment(const QByteArray &html)
{
    const QByteArray doctype = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">";
    const QByteArray start = "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\"></head>"
                             "<body><!--StartFragment-->";
    const QByteArray end = "<!--EndFragment--></body></html>";
    const auto field = [](const char *name, qint64 value) {
        return QByteArray(name) + QByteArray::number(value).rightJustified(8, '0') + "\r\n";
    };
    const qint64 fragmentStart = 97 + doctype.size() + start.size();
    const qint64 fragmentEnd = fragmentStart + html.size();
    return "Version:1.0\r\n" + field("StartHTML:", 97) + field("EndHTML:", fragmentEnd + end.size())
           + field("StartFragment:", fragmentStart) + field("EndFragment:", fragmentEnd) + doctype + start + html + end;
}

// ---- RTF

QByteArray TCustomStringTreeGrid::ContentToRTF(TVSTTextSourceType source)
{
    const std::vector<TTreeGridColumn *> columns = ExportColumns();
    int maxLevel = 0;
    const std::vector<PGridNode> nodes = ExportNodes(source, true, maxLevel);
    const TColumnIndex mainColumn = MainColumn();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double pixelsPerInch = screen ? screen->logicalDotsPerInchX() : 96.0;

    TRtfWriter rtf;
    if (!columns.empty()) {
        rtf.Body += "\\uc1\\trowd\\trgaph70";
        qint64 right = 0;
        for (TTreeGridColumn *column : columns) {
            right += column->Width();
            rtf.Body += "\\cellx" + number(qint64(std::nearbyint(1440.0 * double(right) / pixelsPerInch)));
        }
        Raise(OnBeforeHeaderExport, etRTF);
        rtf.Body += "\\pard\\intbl";
        for (TTreeGridColumn *column : columns) {
            Raise(OnBeforeColumnExport, etRTF, column);
            rtf.Body += rtfAlignment(column->CaptionAlignment());
            rtf.TextPlusFont(column->Text(), Header()->Font());
            rtf.Body += "\\cell";
            Raise(OnAfterColumnExport, etRTF, column);
        }
        rtf.Body += "\\row";
        Raise(OnAfterHeaderExport, etRTF);
    }

    TCanvas &canvas = MeasureCanvas();
    for (PGridNode node : nodes) {
        if (!DoBeforeNodeExport(etRTF, node))
            continue;
        const int level = int(GetNodeLevel(node));
        if (!columns.empty()) {
            for (TTreeGridColumn *column : columns) {
                rtf.Body += "\\pard\\intbl" + rtfAlignment(column->Alignment());
                if (column->Index() == mainColumn)
                    for (int i = 0; i < level; ++i)
                        rtf.Body += "\\tab";
                canvas.Font().Assign(TreeFont());
                DoPaintText(node, canvas, column->Index(), ttNormal);
                rtf.TextPlusFont(Text(node, column->Index()), canvas.Font());
                rtf.Body += "\\cell";
            }
            rtf.Body += "\\row";
        } else {
            for (int i = 0; i < level; ++i)
                rtf.Body += "\\tab";
            rtf.TextPlusFont(Text(node, NoColumn), TreeFont());
            rtf.Body += "\\par";
        }
        DoAfterNodeExport(etRTF, node);
    }
    rtf.Body += "\\pard\\par}";
    return rtf.Document();
}

// ---- clipboard renderings

QByteArray TCustomStringTreeGrid::ContentToClipboard(const QString &format, TVSTTextSourceType source)
{
    QByteArray result;
    if (format == QLatin1String("Plain text")) {
        result = ContentToText(source, QChar(u'\t'));
    } else if (format == QLatin1String("Unicode text")) {
        // A UTF-16 terminator: two zero bytes.
        return Utf16LEBytes(ContentToUnicode(source, QChar(u'\t'))) + QByteArray(2, '\0');
    } else if (format == QLatin1String("CSV")) {
        result = ContentToText(source, listSeparator());
    } else if (format == QLatin1String("Rich Text Format") || format == QLatin1String("Rich Text Format Without Objects")) {
        result = ContentToRTF(source);
    } else if (format == QLatin1String("HTML Format")) {
        result = MakeHTMLFragment(ContentToHTML(source));
    } else {
        return {};
    }
    result.append('\0');
    return result;
}

QByteArray TCustomStringTreeGrid::RenderOLEData(const QString &format, const std::vector<PGridNode> &nodes,
                                                bool forClipboard)
{
    QByteArray result = TBaseTreeGrid::RenderOLEData(format, nodes, forClipboard);
    if (!result.isEmpty())
        return result;
    // Exchanged text is UTF-8; CSV stays Windows-1252 like every CSV file of the program.
    const TVSTTextSourceType source = forClipboard ? tstCutCopySet : tstSelected;
    if (format == QLatin1String("Plain text") || format == QLatin1String("Unicode text"))
        return ContentToUnicode(source, QChar(u'\t')).toUtf8();
    if (format == QLatin1String("CSV"))
        return ContentToText(source, listSeparator());
    if (format == QLatin1String("Rich Text Format") || format == QLatin1String("Rich Text Format Without Objects"))
        return ContentToRTF(source);
    if (format == QLatin1String("HTML Format"))
        return ContentToHTML(source);
    return {};
}
