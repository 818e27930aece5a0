#include "DialogPrintPreviewFullScreen.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "DialogPrintPreview.h"
#include "PreviewPaintBox.h"

TPrintPreviewFullScreenDialog::TPrintPreviewFullScreenDialog(TPrintPreviewDialog &owner, QWidget *parent)
    : QDialog(parent)
    , FOwner(owner)
{
    setObjectName(QStringLiteral("PrintPreviewFullScreenDialog"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setProperty("noTranslate", true); // German texts in every language
    PaintBox1 = new TPreviewPaintBox(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setCursor(TCursorRegistry::Cursor(crZoomOut));
    PaintBox1->OnPaint = [this](QPainter &painter) { FOwner.PaintPage(painter, PaintBox1->rect(), Page()); };
    FScrollBar = new QScrollBar(Qt::Vertical, this);
    FScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    FScrollBar->setMinimum(1);
    FScrollBar->setPageStep(1);
    connect(FScrollBar, &QScrollBar::valueChanged, this, &TPrintPreviewFullScreenDialog::ScrollBarChange);
    connect(PaintBox1, &TPreviewPaintBox::Click, this, &QDialog::accept);
    connect(PaintBox1, &TPreviewPaintBox::Wheel, this,
            [this](int notches) { FScrollBar->setValue(FScrollBar->value() - notches); });
    resize(800, 600);
}

int TPrintPreviewFullScreenDialog::Page() const
{
    return FScrollBar->value();
}

int TPrintPreviewFullScreenDialog::Execute(int page)
{
    FScrollBar->setRange(1, qMax(1, FOwner.GetPageCount()));
    FScrollBar->setValue(page);
    ScrollBarChange(FScrollBar->value());
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
    FOwner.SetScrollBarPosition(FScrollBar->value());
    return FScrollBar->value();
}

void TPrintPreviewFullScreenDialog::ScrollBarChange(int value)
{
    setWindowTitle(QStringLiteral("Druckvorschau - Seite %1 von %2").arg(value).arg(FOwner.GetPageCount()));
    PaintBox1->update();
}

void TPrintPreviewFullScreenDialog::PositionPaintBox()
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    FScrollBar->setGeometry(width() - bar, 0, bar, height());
    PaintBox1->setGeometry(FOwner.FitPage(QRect(0, 0, width() - bar, height())));
}

void TPrintPreviewFullScreenDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    PositionPaintBox();
}
