#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QPageLayout>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include "CanvasObjects.h"
#include "CursorRegistry.h"
#include "PrintGrid.h"

class QDialog;
class QFrame;
class QPainter;
class QPrinter;
class QPushButton;
class QScrollBar;
class TCanvas;
class TPreviewPaintBox;
class TPrintMetafile;
class TPrintPreviewFullScreenDialog;

// The preview's zoom cursors, registered when the first recorder is made.
inline constexpr TCursor crZoomIn = 150;
inline constexpr TCursor crZoomOut = 151;
void RegisterZoomCursors();

// One header or footer line of text; "$PAGE_NO$" and "$PAGE_COUNT$" are filled in per page.
struct THeader {
    QString FStr;
    int FLine = 1; // 1..10 above the body counted upwards, -1..-10 below it counted downwards
    TPrintAlignment FAlign = paLeft;
    TFont FFont;   // an owned copy
};

// Records a print job page by page at printer resolution, adds headers and footers with page
// numbers afterwards, previews the pages and prints all of them or one. Drawing through the
// recorder's own methods is in body coordinates: the printable area less the header lines
// above, the footer lines below and the punch margin at the left. The page canvases themselves
// work in printable-area coordinates.
class TPrintPreviewDialog : public QObject
{
    Q_OBJECT
public:
    explicit TPrintPreviewDialog(QObject *parent = nullptr);
    ~TPrintPreviewDialog() override;

    // The printer: an own high-resolution printer unless one is given (the caller keeps it alive).
    // A job that could not start leaves it for a fresh own printer with the same settings: ask
    // for it anew after a failure.
    QPrinter *Printer() const { return FPrinter; }
    void SetPrinter(QPrinter *printer);
    // A printer printing into a PDF file takes fileName when it has no file yet or still the
    // one proposed last; a file the user chose stays. Without any printer on the machine the
    // output is a PDF file from the start.
    void ProposeOutputFile(const QString &fileName);
    bool PrintsToFile() const;

    bool Lochrand() const { return FLochrand; }
    void SetLochrand(bool value) { FLochrand = value; }
    QPageLayout::Orientation Orientation() const { return FOrientation; }
    void SetOrientation(QPageLayout::Orientation value) { FOrientation = value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString &title) { FTitle = title; }

    // ---- recording
    void NewJob();
    int NewPage();
    void SetCurrentPage(int n);
    int CurrentPage() const { return FCurrentPage; }
    int GetPageCount() const { return int(FMetafiles.size()); }
    TCanvas *GetCanvas(int n) const;
    TCanvas *GetCurrentCanvas() const { return GetCanvas(FCurrentPage); }
    TFont *GetFont() const;
    TPen *GetPen() const;
    TBrush *GetBrush() const;
    // Only after DonePrinting.
    const TPrintMetafile *GetMetafile(int n) const;
    void DonePrinting();
    bool IsDonePrinting() const { return FDonePrinting; }
    void ClearAll();

    // ---- drawing in body coordinates
    void TextOut(int x, int y, const QString &text, TPrintAlignment align = paLeft);
    int DrawText(const QRect &rect, const QString &text, uint flags);
    void Line(const QPoint &p1, const QPoint &p2);
    void Rectangle(const QRect &r);
    int TextWidth(const QString &text) const;
    int TextHeight() const;

    // ---- page geometry (printer pixels)
    QPoint PrintableSize(bool withHeaders, bool withPunchMargin) const;
    QSize PhysicalSize() const;
    QPoint PhysicalOffset() const;
    QPoint PixelsPerInch() const;
    QPoint PrintableOffset() const;
    int PunchMargin() const;
    // Printable area in millimetres.
    QSizeF PrintableSizeMM() const;

    // ---- headers and footers
    void AddHeader(const QString &str, int line, TPrintAlignment align);
    void ClearHeaders();
    int HeaderSize() const;
    int FooterSize() const;
    int HeaderLineSize(int line) const;
    const std::vector<std::unique_ptr<THeader>> &Headers() const { return FHeaders; }
    void PrintHeaderAndFooter();

    // ---- preview and printing
    int Preview();
    bool PrintAll();
    bool PrintPage(int n);
    QDialog *Form();
    TPrintPreviewFullScreenDialog *FullScreen();
    void SetScrollBarPosition(int page);
    int GetScrollBarPosition() const;
    // Paints page n fitted into box, with the printable area, the body, the inch grid and
    // the punch holes; used by the preview and the full-screen view.
    void PaintPage(QPainter &painter, const QRect &box, int page) const;
    // The page's rectangle fitted into an area with the paper's proportions, centred.
    QRect FitPage(const QRect &area) const;

    // Prints rows firstRow..lastRow of a grid from body height top on, over as many pages as
    // needed; returns the table's rectangle on its last page.
    QRect PrintStringGrid(const TPrintGrid &grid, const QString &caption, bool printHeaderRow, bool printLines,
                          int firstRow, int lastRow, int top);

    static QString ReplacePageMarkers(const QString &text, int page, int count);

signals:
    void OnChange(const QString &message);
    // A job went to the printer whole: its progress messages are over.
    void JobPrinted();

protected:
    // Lays the preview window out again when it is resized.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void DoPrintPage(QPainter &painter, int n);
    bool BeginPrinting(QPainter &painter);
    void RenewPrinter();
    void PrintJobFailed();
    void BuildForm();
    void PositionPaintBox();
    void ArrangeForm();
    void ScrollBarChange(int value);
    void FormClosed();
    TFont DefaultPageFont() const;

    std::unique_ptr<QPrinter> FOwnPrinter;
    QPrinter *FPrinter = nullptr;
    QString FProposedFile;
    bool FLochrand = false;
    QPageLayout::Orientation FOrientation = QPageLayout::Portrait;
    QString FTitle;
    int FHeaderSizes[21] = {}; // index line + 10
    std::vector<std::unique_ptr<THeader>> FHeaders;
    std::vector<std::unique_ptr<TCanvas>> FCanvases;
    std::vector<std::unique_ptr<TPrintMetafile>> FMetafiles;
    int FCurrentPage = 0;
    bool FDonePrinting = false;
    bool FDoAbort = false;

    // The preview window, built on first need; a top-level window deleted with the recorder.
    std::unique_ptr<QDialog> FForm;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QFrame *Panel1 = nullptr;
    TPreviewPaintBox *PaintBox1 = nullptr;
    QScrollBar *ScrollBar = nullptr;
    TPrintPreviewFullScreenDialog *FFullScreen = nullptr; // child of the form
};
