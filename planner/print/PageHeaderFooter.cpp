#include "print/PageHeaderFooter.h"

#include <QDir>

#include "Canvas.h"
#include "DateFormat.h"
#include "DialogPrintPreview.h"
#include "Language.h"
#include "Version.h"

namespace {

QString CreditText()
{
    return Translate(QStringLiteral("Created with")) + QLatin1Char(' ') + platform::creditLine();
}

QString PageNumberText(const QString &page, const QString &count)
{
    return Translate(QStringLiteral("Page %s/%s"), {page, count});
}

} // namespace

std::vector<TPageLine> TPageHeaderFooter::Lines(const QString &footer, const QString &header, const QString &fileName,
                                                TDateTime stand, bool pageNumberBelow)
{
    std::vector<TPageLine> lines;
    const bool hasHeader = !header.isEmpty();
    if (hasHeader) {
        lines.push_back({header, 2, paCenter, HeaderSize, clBlack});
        lines.push_back({QString(), 1, paLeft, 10, clBlack});
    }
    lines.push_back({Translate(QStringLiteral("Stand: %s"), {DateTimeToStr(stand)}), hasHeader ? 2 : 1, paRight, 10,
                     StandColor});
    int line = -1;
    if (!footer.isEmpty())
        lines.push_back({footer, line--, paLeft, FooterSize, clBlack});
    if (!fileName.isEmpty())
        lines.push_back({fileName, line--, paLeft, FooterSize, clBlack});
    lines.push_back({CreditText(), line, paRight, FooterSize, clBlack});
    if (pageNumberBelow)
        --line;
    lines.push_back({PageNumberText(QStringLiteral("$PAGE_NO$"), QStringLiteral("$PAGE_COUNT$")), line, paCenter,
                     FooterSize, clBlack});
    return lines;
}

void TPageHeaderFooter::Add(TPrintPreviewDialog &recorder, const std::vector<TPageLine> &lines)
{
    TFont *font = recorder.GetFont();
    if (!font)
        return;
    TFont saved;
    saved.Assign(*font);
    for (const TPageLine &line : lines) {
        font->SetSize(line.size);
        font->SetColor(line.color);
        recorder.AddHeader(line.text, line.line, line.align);
    }
    font->Assign(saved);
}

void TPageHeaderFooter::AddDefaultHeaderAndFooter(TPrintPreviewDialog &recorder, const QString &footer,
                                                  const QString &header, bool printFilename, const QString &fileName)
{
    TFont *font = recorder.GetFont();
    if (!font)
        return;
    // Measured in the footer's type.
    TFont saved;
    saved.Assign(*font);
    font->SetSize(FooterSize);
    const int width = recorder.PrintableSize(false, true).x();
    QString name;
    if (printFilename && !fileName.isEmpty())
        name = MinimizeName(QDir::toNativeSeparators(fileName), int(width * FileNameShare),
                            [&recorder](const QString &text) { return recorder.TextWidth(text); });
    // The right-aligned credit must start right of the centred page number's widest form.
    const int numberHalf = (recorder.TextWidth(PageNumberText(QStringLiteral("9999"), QStringLiteral("9999"))) + 1) / 2;
    const int gap = recorder.TextWidth(QStringLiteral("  "));
    const bool pageNumberBelow = recorder.TextWidth(CreditText()) + numberHalf + gap > width / 2;
    font->Assign(saved);
    Add(recorder, Lines(footer, header, name, Now(), pageNumberBelow));
}

void TPageHeaderFooter::StartJob(TPrintPreviewDialog &recorder, const TPrintPageTexts &texts)
{
    recorder.SetLochrand(texts.lochrand);
    recorder.NewJob();
    recorder.NewPage();
    AddDefaultHeaderAndFooter(recorder, texts.footer, texts.header, texts.printFilename, texts.fileName);
}

QString TPageHeaderFooter::MinimizeName(const QString &path, int maxWidth,
                                        const std::function<int(const QString &)> &width)
{
    if (width(path) <= maxWidth)
        return path;
    const QChar separator = QDir::separator();
    const int slash = path.lastIndexOf(separator);
    const QString name = slash >= 0 ? path.mid(slash + 1) : path;
    QStringList folders = slash > 0 ? path.left(slash).split(separator) : QStringList();
    // The root ("" before a leading separator) stays in front of the ellipsis.
    const QString root = folders.isEmpty() ? QString() : folders.takeFirst();
    const QString ellipsis = QStringLiteral("...");
    while (!folders.isEmpty()) {
        folders.removeFirst();
        QStringList parts{root, ellipsis};
        parts += folders;
        parts += name;
        const QString shortened = parts.join(separator);
        if (width(shortened) <= maxWidth)
            return shortened;
    }
    const QString bare = ellipsis + separator + name;
    if (slash >= 0 && width(bare) <= maxWidth)
        return bare;
    if (width(name) <= maxWidth)
        return name;
    // Even the name alone is too wide: as much of it as fits, then the ellipsis.
    QString cut = name;
    while (!cut.isEmpty() && width(cut + ellipsis) > maxWidth)
        cut.chop(1);
    return cut + ellipsis;
}
