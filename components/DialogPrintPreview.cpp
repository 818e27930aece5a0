#include "DialogPrintPreview.h"

#include <QDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <stdexcept>

#include "Canvas.h"
#include "DialogPrintPreviewFullScreen.h"
#include "PrintMetafile.h"

namespace {

// A magnifier with a plus or a minus, hot spot in the middle of the glass.
QCursor ZoomCursor(bool zoomIn)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(7, 11), QPointF(15, 11));
    if (zoomIn)
        p.drawLine(QPointF(11, 7), QPointF(11, 15));
    p.end();
    return QCursor(pixmap, 11, 11);
}

// Everything a printer set-up can change, for a fresh printer that replaces a spoilt one.
void CopyPrinterSettings(const QPrinter &from, QPrinter &to)
{
    to.setOutputFileName(from.outputFileName());
    to.setOutputFormat(from.outputFormat());
    if (from.outputFormat() == QPrinter::NativeFormat)
        to.setPrinterName(from.printerName());
    to.setResolution(from.resolution());
    to.setPageLayout(from.pageLayout());
    to.setFullPage(from.fullPage());
    to.setColorMode(from.colorMode());
    to.setCopyCount(from.copyCount());
    to.setCollateCopies(from.collateCopies());
    to.setDuplex(from.duplex());
    to.setPageOrder(from.pageOrder());
    to.setPaperSource(from.paperSource());
    to.setDocName(from.docName());
    to.setCreator(from.creator());
    to.setFontEmbeddingEnabled(from.fontEmbeddingEnabled());
    to.setPdfVersion(from.pdfVersion());
    to.setPrintRange(from.printRange());
    to.setFromTo(from.fromPage(), from.toPage());
}

} // namespace

void RegisterZoomCursors()
{
    if (!TCursorRegistry::Has(crZoomIn))
        TCursorRegistry::Register(crZoomIn, ZoomCursor(true));
    if (!TCursorRegistry::Has(crZoomOut))
        TCursorRegistry::Register(crZoomOut, ZoomCursor(false));
}

TPrintPreviewDialog::TPrintPreviewDialog(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("PrintPreviewDialog"));
    RegisterZoomCursors();
    FOwnPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    FPrinter = FOwnPrinter.get();
}

TPrintPreviewDialog::~TPrintPreviewDialog()
{
    // Jobs run only inside PrintAll/PrintPage, so none is left running here; the pages go first
    // because their canvases paint on them.
    FCanvases.clear();
    FMetafiles.clear();
}

void TPrintPreviewDialog::SetPrinter(QPrinter *printer)
{
    FPrinter = printer ? printer : FOwnPrinter.get();
}

bool TPrintPreviewDialog::PrintsToFile() const
{
    return FPrinter->outputFormat() == QPrinter::PdfFormat;
}

void TPrintPreviewDialog::ProposeOutputFile(const QString &fileName)
{
    if (FPrinter->outputFormat() == QPrinter::NativeFormat && QPrinterInfo::availablePrinters().isEmpty())
        FPrinter->setOutputFormat(QPrinter::PdfFormat);
    if (!PrintsToFile())
        return;
    const QString current = FPrinter->outputFileName();
    if (current.isEmpty() || current == FProposedFile) {
        FPrinter->setOutputFileName(fileName);
        // Setting a name may switch the format by its suffix; the output stays a PDF file.
        FPrinter->setOutputFormat(QPrinter::PdfFormat);
    }
    FProposedFile = fileName;
}

// A job that could not start may leave the printer's engine active for good: it then refuses
// every change of its output, printer name or colour mode until the program ends. A fresh own
// printer with the same settings takes its place.
void TPrintPreviewDialog::RenewPrinter()
{
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    CopyPrinterSettings(*FPrinter, *fresh);
    FPrinter = fresh.get();
    FOwnPrinter = std::move(fresh);
}

// ---- page geometry

QPoint TPrintPreviewDialog::PixelsPerInch() const
{
    return QPoint(FPrinter->logicalDpiX(), FPrinter->logicalDpiY());
}

QSize TPrintPreviewDialog::PhysicalSize() const
{
    return FPrinter->paperRect(QPrinter::DevicePixel).size().toSize();
}

QPoint TPrintPreviewDialog::PhysicalOffset() const
{
    return FPrinter->pageRect(QPrinter::DevicePixel).topLeft().toPoint();
}

QSizeF TPrintPreviewDialog::PrintableSizeMM() const
{
    return FPrinter->pageRect(QPrinter::Millimeter).size();
}

int TPrintPreviewDialog::PunchMargin() const
{
    const double mm = PrintableSizeMM().width();
    if (mm <= 0)
        return 0;
    return int(std::nearbyint(FPrinter->width() * 12 / mm));
}

QPoint TPrintPreviewDialog::PrintableSize(bool withHeaders, bool withPunchMargin) const
{
    QPoint size(FPrinter->width(), FPrinter->height());
    if (withHeaders)
        size.ry() -= HeaderSize() + FooterSize();
    if (withPunchMargin && FLochrand)
        size.rx() -= PunchMargin();
    return size;
}

QPoint TPrintPreviewDialog::PrintableOffset() const
{
    return QPoint(FLochrand ? PunchMargin() : 0, HeaderSize());
}

// ---- recording

void TPrintPreviewDialog::ClearAll()
{
    FCanvases.clear();
    FMetafiles.clear();
    FCurrentPage = 0;
    ClearHeaders();
}

void TPrintPreviewDialog::NewJob()
{
    ClearAll();
    FDonePrinting = false;
    FPrinter->setPageOrientation(FOrientation);
    // The printer job itself starts only when printing: a job begun now would leave an output
    // file behind when the preview is cancelled. The mark still says "cancel on close".
    FDoAbort = true;
}

TFont TPrintPreviewDialog::DefaultPageFont() const
{
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetPixelsPerInch(FPrinter->logicalDpiY());
    font.SetSize(10);
    font.SetColor(clBlack);
    return font;
}

int TPrintPreviewDialog::NewPage()
{
    if (FDonePrinting)
        return -1;
    const QSize size(FPrinter->width(), FPrinter->height());
    auto metafile = std::make_unique<TPrintMetafile>(size, FPrinter->logicalDpiX(), FPrinter->logicalDpiY());
    auto canvas = std::make_unique<TCanvas>(metafile.get());
    canvas->Brush().SetStyle(bsClear);
    canvas->Font().Assign(DefaultPageFont());
    FMetafiles.push_back(std::move(metafile));
    FCanvases.push_back(std::move(canvas));
    FCurrentPage = int(FMetafiles.size());
    return FCurrentPage;
}

void TPrintPreviewDialog::SetCurrentPage(int n)
{
    if (n >= 1 && n <= GetPageCount())
        FCurrentPage = n;
}

TCanvas *TPrintPreviewDialog::GetCanvas(int n) const
{
    if (FDonePrinting || n < 1 || n > int(FCanvases.size()))
        return nullptr;
    return FCanvases[n - 1].get();
}

TFont *TPrintPreviewDialog::GetFont() const
{
    TCanvas *canvas = GetCurrentCanvas();
    return canvas ? &canvas->Font() : nullptr;
}

TPen *TPrintPreviewDialog::GetPen() const
{
    TCanvas *canvas = GetCurrentCanvas();
    return canvas ? &canvas->Pen() : nullptr;
}

TBrush *TPrintPreviewDialog::GetBrush() const
{
    TCanvas *canvas = GetCurrentCanvas();
    return canvas ? &canvas->Brush() : nullptr;
}

const TPrintMetafile *TPrintPreviewDialog::GetMetafile(int n) const
{
    if (!FDonePrinting || n < 1 || n > int(FMetafiles.size()))
        return nullptr;
    return FMetafiles[n - 1].get();
}

void TPrintPreviewDialog::DonePrinting()
{
    // Ending the canvases completes the pages.
    FCanvases.clear();
    FDonePrinting = true;
}

// ---- drawing in body coordinates

void TPrintPreviewDialog::TextOut(int x, int y, const QString &text, TPrintAlignment align)
{
    TCanvas *canvas = GetCurrentCanvas();
    if (!canvas)
        return;
    if (align == paRight)
        x -= canvas->TextWidth(text);
    else if (align == paCenter)
        x -= canvas->TextWidth(text) / 2;
    const QPoint offset = PrintableOffset();
    canvas->TextOut(x + offset.x(), y + offset.y(), text);
}

int TPrintPreviewDialog::DrawText(const QRect &rect, const QString &text, uint flags)
{
    TCanvas *canvas = GetCurrentCanvas();
    if (!canvas)
        return -1;
    QRect r = rect.translated(PrintableOffset());
    return canvas->DrawText(text, r, flags);
}

void TPrintPreviewDialog::Line(const QPoint &p1, const QPoint &p2)
{
    TCanvas *canvas = GetCurrentCanvas();
    if (!canvas)
        return;
    const QPoint offset = PrintableOffset();
    canvas->MoveTo(p1.x() + offset.x(), p1.y() + offset.y());
    canvas->LineTo(p2.x() + offset.x(), p2.y() + offset.y());
}

void TPrintPreviewDialog::Rectangle(const QRect &r)
{
    TCanvas *canvas = GetCurrentCanvas();
    if (canvas)
        canvas->Rectangle(r.translated(PrintableOffset()));
}

int TPrintPreviewDialog::TextWidth(const QString &text) const
{
    TCanvas *canvas = GetCurrentCanvas();
    return canvas ? canvas->TextWidth(text) : -1;
}

int TPrintPreviewDialog::TextHeight() const
{
    TCanvas *canvas = GetCurrentCanvas();
    return canvas ? canvas->TextHeight(QStringLiteral("X")) : -1;
}

// ---- headers and footers

void TPrintPreviewDialog::AddHeader(const QString &str, int line, TPrintAlignment align)
{
    if (line == 0)
        throw std::invalid_argument("line muss grösser oder kleiner 0 sein");
    if (line > 10 || line < -10)
        throw std::invalid_argument("line muss zwischen -10 und 10 liegen");
    auto header = std::make_unique<THeader>();
    header->FStr = str;
    header->FLine = line;
    header->FAlign = align;
    int height;
    if (TCanvas *canvas = GetCurrentCanvas()) {
        height = canvas->TextHeight(QStringLiteral("X"));
        header->FFont.Assign(canvas->Font());
    } else {
        // Before the first page: measured in the page's default font.
        header->FFont.Assign(DefaultPageFont());
        TPrintMetafile probe(QSize(1, 1), FPrinter->logicalDpiX(), FPrinter->logicalDpiY());
        TCanvas measure(&probe);
        measure.Font().Assign(header->FFont);
        height = measure.TextHeight(QStringLiteral("X"));
    }
    int &size = FHeaderSizes[line + 10];
    size = qMax(size, height);
    // Sorted by line, so that drawing goes from the body outwards.
    auto at = FHeaders.begin();
    while (at != FHeaders.end() && (*at)->FLine <= line)
        ++at;
    FHeaders.insert(at, std::move(header));
}

void TPrintPreviewDialog::ClearHeaders()
{
    FHeaders.clear();
    for (int &size : FHeaderSizes)
        size = 0;
}

int TPrintPreviewDialog::HeaderLineSize(int line) const
{
    return line >= -10 && line <= 10 ? FHeaderSizes[line + 10] : 0;
}

int TPrintPreviewDialog::HeaderSize() const
{
    int sum = 0;
    for (int line = 1; line <= 10; ++line)
        sum += FHeaderSizes[line + 10];
    return sum;
}

int TPrintPreviewDialog::FooterSize() const
{
    int sum = 0;
    for (int line = -1; line >= -10; --line)
        sum += FHeaderSizes[line + 10];
    return sum;
}

QString TPrintPreviewDialog::ReplacePageMarkers(const QString &text, int page, int count)
{
    // Only the first of each marker is replaced.
    QString result = text;
    const QString countMarker = QStringLiteral("$PAGE_COUNT$");
    int at = result.indexOf(countMarker);
    if (at >= 0)
        result.replace(at, countMarker.size(), QString::number(count));
    const QString pageMarker = QStringLiteral("$PAGE_NO$");
    at = result.indexOf(pageMarker);
    if (at >= 0)
        result.replace(at, pageMarker.size(), QString::number(page));
    return result;
}

void TPrintPreviewDialog::PrintHeaderAndFooter()
{
    if (FDonePrinting)
        return;
    const int saved = FCurrentPage;
    const int count = GetPageCount();
    const QPoint body = PrintableSize(true, true);
    for (int page = 1; page <= count; ++page) {
        FCurrentPage = page;
        TCanvas *canvas = GetCanvas(page);
        for (const auto &header : FHeaders) {
            canvas->Font().Assign(header->FFont);
            const QString text = ReplacePageMarkers(header->FStr, page, count);
            int y = 0;
            if (header->FLine >= 1) {
                for (int line = 1; line <= header->FLine; ++line)
                    y -= FHeaderSizes[line + 10];
            } else {
                y = body.y();
                for (int line = -1; line > header->FLine; --line)
                    y += FHeaderSizes[line + 10];
            }
            int x = 0;
            if (header->FAlign == paRight)
                x = body.x();
            else if (header->FAlign == paCenter)
                x = body.x() / 2;
            TextOut(x, y, text, header->FAlign);
        }
    }
    FCurrentPage = saved;
}

// ---- printing

// Opens the print job on the painter; a refused job is told to the user.
bool TPrintPreviewDialog::BeginPrinting(QPainter &painter)
{
    FPrinter->setDocName(FTitle);
    if (painter.begin(FPrinter))
        return true;
    RenewPrinter();
    PrintJobFailed();
    return false;
}

void TPrintPreviewDialog::PrintJobFailed()
{
    emit OnChange(QStringLiteral("Druckauftrag konnte nicht gestartet werden"));
}

void TPrintPreviewDialog::DoPrintPage(QPainter &painter, int n)
{
    emit OnChange(QStringLiteral("Drucke Seite %1 von %2").arg(n).arg(GetPageCount()));
    if (const TPrintMetafile *page = GetMetafile(n))
        page->Play(painter, QRectF(0, 0, FPrinter->width(), FPrinter->height()));
}

bool TPrintPreviewDialog::PrintAll()
{
    FDoAbort = false;
    if (FForm && FForm->isVisible())
        FForm->hide();
    DonePrinting();
    const int count = GetPageCount();
    if (count == 0)
        return false; // nothing recorded: no empty sheet
    QPainter painter;
    if (!BeginPrinting(painter))
        return false;
    for (int n = 1; n <= count; ++n) {
        if (n > 1 && !FPrinter->newPage()) {
            painter.end();
            PrintJobFailed();
            return false;
        }
        DoPrintPage(painter, n);
    }
    if (!painter.end())
        return false;
    emit JobPrinted();
    return true;
}

bool TPrintPreviewDialog::PrintPage(int n)
{
    FDoAbort = false;
    DonePrinting();
    if (n < 1 || n > GetPageCount())
        return false;
    QPainter painter;
    if (!BeginPrinting(painter))
        return false;
    DoPrintPage(painter, n);
    const bool ok = painter.end();
    if (ok)
        emit JobPrinted();
    emit OnChange(QStringLiteral("Seite %1 von %2 gedruckt").arg(n).arg(GetPageCount()));
    return ok;
}

void TPrintPreviewDialog::FormClosed()
{
    if (!FDoAbort)
        return;
    // Nothing was printed: the job is given up.
    emit OnChange(QStringLiteral("Druckauftrag wird abgebrochen"));
    FDoAbort = false;
    emit OnChange(QStringLiteral("Druckauftrag ist abgebrochen"));
}
