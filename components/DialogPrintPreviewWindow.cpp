// The preview window of the print recorder: built at run time, texts in German.

#include "DialogPrintPreview.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

#include "DialogPrintPreviewFullScreen.h"
#include "PreviewPaintBox.h"
#include "PrintMetafile.h"

namespace {

// The width at which a button shows its whole text, with the style's frame and margins.
int WidthForText(const QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    const QStyle *style = button->style();
    const QRect contents = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return button->fontMetrics().horizontalAdvance(button->text()) + option.rect.width() - contents.width()
           + style->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
}

} // namespace

QDialog *TPrintPreviewDialog::Form()
{
    if (!FForm)
        BuildForm();
    return FForm.get();
}

void TPrintPreviewDialog::BuildForm()
{
    FForm = std::make_unique<QDialog>();
    QDialog *form = FForm.get();
    form->setObjectName(QStringLiteral("Form"));
    form->setWindowTitle(QStringLiteral("PrintPreviewDialog"));
    form->setWindowFlags(form->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // The classic size to start with; a size given before showing, or by the user, is kept and
    // the contents follow it.
    form->setMinimumSize(330, 200);
    form->resize(385, 401);
    form->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("alles drucken"), form);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 368, 89, 25);
    Button2 = new QPushButton(QStringLiteral("nur diese Seite drucken"), form);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(104, 368, 137, 25);
    Button3 = new QPushButton(QStringLiteral("Abbrechen"), form);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(304, 368, 75, 25);
    // The classic widths are too narrow for the texts in many fonts: each button is as wide as
    // its text needs, the following one moved along, and the window never narrower than the row.
    for (QPushButton *button : {Button1, Button2, Button3})
        button->resize(std::max(button->width(), WidthForText(button)), button->height());
    Button2->move(std::max(Button2->x(), Button1->x() + Button1->width() + 7), Button2->y());
    form->setMinimumWidth(std::max(form->minimumWidth(), Button2->x() + Button2->width() + 7 + Button3->width() + 6));

    Panel1 = new QFrame(form);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 369, 353);
    PaintBox1 = new TPreviewPaintBox(Panel1);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setCursor(TCursorRegistry::Cursor(crZoomIn));
    PaintBox1->OnPaint = [this](QPainter &painter) { PaintPage(painter, PaintBox1->rect(), GetScrollBarPosition()); };
    ScrollBar = new QScrollBar(Qt::Vertical, Panel1);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    ScrollBar->setMinimum(1);
    ScrollBar->setPageStep(1);

    // The preview's texts are German and stay as they are in every language.
    for (QObject *object : {static_cast<QObject *>(form), static_cast<QObject *>(Button1),
                            static_cast<QObject *>(Button2), static_cast<QObject *>(Button3)})
        object->setProperty("noTranslate", true);

    QObject::connect(ScrollBar, &QScrollBar::valueChanged, this, &TPrintPreviewDialog::ScrollBarChange);
    QObject::connect(PaintBox1, &TPreviewPaintBox::Wheel, this,
                     [this](int notches) { ScrollBar->setValue(ScrollBar->value() - notches); });
    QObject::connect(PaintBox1, &TPreviewPaintBox::Click, this,
                     [this] { FullScreen()->Execute(GetScrollBarPosition()); });
    QObject::connect(Button1, &QPushButton::clicked, this, [this] {
        FForm->setResult(QDialog::Accepted);
        PrintAll();
        FForm->done(QDialog::Accepted);
    });
    QObject::connect(Button2, &QPushButton::clicked, this, [this] {
        const int page = GetScrollBarPosition();
        FForm->hide();
        FForm->setResult(QDialog::Accepted);
        PrintPage(page);
        FForm->done(QDialog::Accepted);
    });
    QObject::connect(Button3, &QPushButton::clicked, form, [form] { form->done(2); });
    ArrangeForm();
}

bool TPrintPreviewDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (FForm && watched == FForm.get() && event->type() == QEvent::Resize)
        ArrangeForm();
    return QObject::eventFilter(watched, event);
}

void TPrintPreviewDialog::ArrangeForm()
{
    // The buttons keep to the bottom edge (the last one to the right corner), the page panel
    // takes the rest.
    const int w = FForm->width();
    const int h = FForm->height();
    Button1->move(8, h - 33);
    Button2->move(Button2->x(), h - 33);
    Button3->move(w - 6 - Button3->width(), h - 33);
    Panel1->setGeometry(8, 8, w - 16, h - 48);
    PositionPaintBox();
}

TPrintPreviewFullScreenDialog *TPrintPreviewDialog::FullScreen()
{
    if (!FFullScreen)
        FFullScreen = new TPrintPreviewFullScreenDialog(*this, Form());
    return FFullScreen;
}

void TPrintPreviewDialog::SetScrollBarPosition(int page)
{
    Form();
    ScrollBar->setValue(page);
}

int TPrintPreviewDialog::GetScrollBarPosition() const
{
    return ScrollBar ? ScrollBar->value() : 1;
}

void TPrintPreviewDialog::ScrollBarChange(int value)
{
    FForm->setWindowTitle(QStringLiteral("Druckvorschau - Seite %1 von %2").arg(value).arg(GetPageCount()));
    PaintBox1->update();
}

QRect TPrintPreviewDialog::FitPage(const QRect &area) const
{
    const QSize physical = PhysicalSize();
    if (physical.isEmpty() || area.isEmpty())
        return area;
    QSize fitted = physical.scaled(area.size(), Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    return QRect(area.x() + (area.width() - fitted.width()) / 2, area.y() + (area.height() - fitted.height()) / 2,
                 fitted.width(), fitted.height());
}

void TPrintPreviewDialog::PositionPaintBox()
{
    const int bar = Panel1->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ScrollBar->setGeometry(Panel1->width() - bar, 0, bar, Panel1->height());
    PaintBox1->setGeometry(FitPage(QRect(0, 0, Panel1->width() - bar, Panel1->height())));
}

void TPrintPreviewDialog::PaintPage(QPainter &painter, const QRect &box, int page) const
{
    const QSize physical = PhysicalSize();
    if (physical.isEmpty() || box.isEmpty())
        return;
    const double sx = double(box.width()) / physical.width();
    const double sy = double(box.height()) / physical.height();
    const QPoint offset = PhysicalOffset();
    const QPoint printable = PrintableSize(false, false);
    const QPoint body = PrintableSize(true, true);
    const QPoint bodyOffset = PrintableOffset();
    const QRectF printableRect(box.x() + offset.x() * sx, box.y() + offset.y() * sy, printable.x() * sx,
                               printable.y() * sy);

    painter.save();
    painter.fillRect(box, Qt::white);
    QPen pen(QColor(240, 240, 240));
    pen.setStyle(Qt::DashDotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(printableRect);
    painter.drawRect(QRectF(box.x() + (offset.x() + bodyOffset.x()) * sx, box.y() + (offset.y() + bodyOffset.y()) * sy,
                            body.x() * sx, body.y() * sy));
    // An inch grid across the page.
    const QPoint ppi = PixelsPerInch();
    if (ppi.x() > 0)
        for (double x = ppi.x(); x < physical.width(); x += ppi.x())
            painter.drawLine(QPointF(box.x() + x * sx, box.y()), QPointF(box.x() + x * sx, box.bottom()));
    if (ppi.y() > 0)
        for (double y = ppi.y(); y < physical.height(); y += ppi.y())
            painter.drawLine(QPointF(box.x(), box.y() + y * sy), QPointF(box.right(), box.y() + y * sy));

    if (FLochrand) {
        // Two punch holes of 3 mm radius, 10.5 mm from the left edge, 39.5 mm off the middle.
        const QSizeF paperMM = FPrinter->paperRect(QPrinter::Millimeter).size();
        if (paperMM.width() > 0 && paperMM.height() > 0) {
            const double mx = box.width() / paperMM.width();
            const double my = box.height() / paperMM.height();
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(192, 192, 192));
            const double cx = box.x() + 10.5 * mx;
            const double cy = box.y() + box.height() / 2.0;
            for (double dy : {-39.5, 39.5})
                painter.drawEllipse(QPointF(cx, cy + dy * my), 3 * mx, 3 * my);
        }
    }
    if (const TPrintMetafile *metafile = GetMetafile(page))
        metafile->Play(painter, printableRect);
    painter.restore();
}

int TPrintPreviewDialog::Preview()
{
    if (!FDonePrinting)
        DonePrinting();
    QDialog *form = Form();
    // Centred on the screen, at most as large as it.
    QScreen *screen = form->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        form->resize(form->size().boundedTo(available.size()).expandedTo(form->minimumSize()));
        form->move(available.center() - QPoint(form->width() / 2, form->height() / 2));
    }
    ArrangeForm();
    ScrollBar->setRange(1, qMax(1, GetPageCount()));
    ScrollBar->setValue(1);
    ScrollBarChange(ScrollBar->value());
    const int result = form->exec();
    FormClosed();
    return result;
}
