#include "treegrid/TreeGridHintWindow.h"

#include <QApplication>
#include <QPointer>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include "Canvas.h"
#include "treegrid/CustomDrawTreeGrid.h"
#include "treegrid/CustomStringTreeGrid.h"

namespace {

// Pixels between a hint's text and its frame, frame included.
constexpr int HintBorder = 3;

bool MultiLine(const TTGHintData &data)
{
    return data.LineBreakStyle == hlbForceMultiLine
           || (data.LineBreakStyle == hlbDefault && data.Node && data.Node->States.contains(vsMultiline));
}

// The owner of a custom-drawn tree sizes and draws the hints of its nodes.
TCustomDrawTreeGrid *OwnerDrawnTree(const TTGHintData &data)
{
    return data.Node ? qobject_cast<TCustomDrawTreeGrid *>(data.Tree.data()) : nullptr;
}

// A tooltip's font is the cell's own, as its paint event leaves it.
void TakeCellFont(TCanvas &canvas, const TTGHintData &data)
{
    TBaseTreeGrid *tree = data.Tree;
    QRect textRect;
    QString text;
    if (auto *strings = qobject_cast<TCustomStringTreeGrid *>(tree))
        strings->GetTextInfo(data.Node, data.Column, canvas.Font(), textRect, text);
    else
        canvas.Font().Assign(tree->font());
}

} // namespace

TTreeGridHintWindow::TTreeGridHintWindow(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                          | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("HintWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    FAnimationTimer.setInterval(10);
    connect(&FAnimationTimer, &QTimer::timeout, this, &TTreeGridHintWindow::AnimationTick);
    FWatchTimer.setInterval(100);
    connect(&FWatchTimer, &QTimer::timeout, this, &TTreeGridHintWindow::WatchTick);
}

TTreeGridHintWindow::~TTreeGridHintWindow() = default;

QRect TTreeGridHintWindow::CalcHintRect(int maxWidth, const QString &hint, TTGHintData &data)
{
    TCustomDrawTreeGrid *drawTree = OwnerDrawnTree(data);
    // A hint needs a text, unless its owner draws it.
    if (hint.isEmpty() && !(drawTree && drawTree->OnDrawHint))
        return QRect();
    QRect result = CalcTextRect(maxWidth, hint, data);
    if (drawTree)
        drawTree->DoGetHintSize(data.Node, data.Column, result);
    return result;
}

QRect TTreeGridHintWindow::CalcTextRect(int maxWidth, const QString &hint, TTGHintData &data)
{
    TCanvas canvas(1, 1);
    TBaseTreeGrid *tree = data.Tree;
    if (data.Tooltip && tree) {
        TakeCellFont(canvas, data);
        FTextHeight = canvas.FontHeight();
        QRect r(0, 0, std::max(1, maxWidth - 2 * tree->TextMargin() - 2), 0);
        canvas.DrawText(hint, r, DT_CALCRECT | DT_NOPREFIX | (MultiLine(data) ? DT_WORDBREAK : DT_SINGLELINE));
        return QRect(0, 0, r.width() + 2 * tree->TextMargin() + 2, std::max(r.height(), FTextHeight) + 2);
    }
    canvas.Font().Assign(QToolTip::font());
    FTextHeight = canvas.FontHeight();
    QRect r(0, 0, std::max(1, maxWidth - 2 * HintBorder), 0);
    canvas.DrawText(hint, r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    return QRect(0, 0, r.width() + 2 * HintBorder, r.height() + 2 * HintBorder);
}

TTGHintAnimation TTreeGridHintWindow::EffectiveAnimation() const
{
    TBaseTreeGrid *tree = FHintData.Tree;
    const TTGHintAnimation chosen = tree ? tree->HintAnimation() : hatNone;
    if (chosen != hatSystemDefault)
        return chosen;
    if (!QApplication::isEffectEnabled(Qt::UI_AnimateTooltip))
        return hatNone;
    return QApplication::isEffectEnabled(Qt::UI_FadeTooltip) ? hatFade : hatSlide;
}

void TTreeGridHintWindow::ActivateHint(QRect rect, const QString &hint, QRect area)
{
    FAnimationTimer.stop();
    FText = hint;
    FArea = area;
    // Inside the work area of the screen that holds it: right and bottom edges first.
    QScreen *screen = QGuiApplication::screenAt(rect.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect work = screen->availableGeometry();
        if (rect.right() > work.right())
            rect.moveRight(work.right());
        if (rect.bottom() > work.bottom())
            rect.moveBottom(work.bottom());
        if (rect.left() < work.left())
            rect.moveLeft(work.left());
        if (rect.top() < work.top())
            rect.moveTop(work.top());
    }
    setGeometry(rect);
    FAnimation = EffectiveAnimation();
    TBaseTreeGrid *tree = FHintData.Tree;
    FDuration = tree ? int(tree->AnimationDuration()) : 0;
    FAnimationSteps = 0;
    if (FDuration > 0 && FAnimation == hatFade)
        FAnimationSteps = 255;
    else if (FDuration > 0 && FAnimation == hatSlide)
        FAnimationSteps = rect.height();
    if (FAnimation == hatFade)
        FDuration *= 2;
    FAnimationStep = 0;
    InternalPaint(0, 0);
    if (FAnimationSteps > 0) {
        FAnimationClock.start();
        FAnimationTimer.start();
    } else {
        InternalPaint(-1, 0);
    }
    FCursorAtShow = QCursor::pos();
    show();
    FWatchTimer.start();
}

void TTreeGridHintWindow::InternalPaint(int step, int stepSize)
{
    Q_UNUSED(stepSize);
    if (step == 0) {
        FContent = QImage(size(), QImage::Format_RGB32);
        TCanvas canvas(&FContent);
        DrawContent(canvas);
    }
    // Negative: the whole hint, as shown when no animation runs or one ended.
    if (step < 0 || FAnimationSteps == 0) {
        setWindowOpacity(1.0);
        clearMask();
        FVisibleHeight = height();
    } else if (FAnimation == hatFade) {
        setWindowOpacity(std::clamp(step, 0, 255) / 255.0);
    } else if (FAnimation == hatSlide) {
        FVisibleHeight = std::clamp(step, 1, height());
        setMask(QRect(0, 0, width(), FVisibleHeight));
    }
    update();
}

void TTreeGridHintWindow::DrawContent(TCanvas &canvas)
{
    const QRect r = FContent.rect();
    TBaseTreeGrid *tree = FHintData.Tree;
    if (TCustomDrawTreeGrid *drawTree = OwnerDrawnTree(FHintData)) {
        canvas.Brush().SetColor(clInfoBk);
        canvas.FillRect(r);
        if (drawTree->DoDrawHint(canvas, FHintData.Node, r, FHintData.Column))
            return;
    }
    canvas.Pen().SetColor(clBlack);
    canvas.SetBkMode(bkTransparent);
    if (FHintData.Tooltip && tree) {
        TakeCellFont(canvas, FHintData);
        canvas.Brush().SetColor(tree->Color());
        canvas.Rectangle(r);
        QRect inner = r.adjusted(1 + tree->TextMargin(), 1, -1 - tree->TextMargin(), -1);
        canvas.DrawText(FText, inner,
                        DT_NOPREFIX | (MultiLine(FHintData) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER));
        return;
    }
    canvas.Font().Assign(QToolTip::font());
    canvas.Font().SetColor(clInfoText);
    canvas.Brush().SetColor(clInfoBk);
    canvas.Rectangle(r);
    QRect inner = r.adjusted(HintBorder, HintBorder, -HintBorder, -HintBorder);
    uint format = DT_NOPREFIX | DT_WORDBREAK;
    if (FHintData.BiDiMode != bdLeftToRight)
        format |= DT_RIGHT;
    canvas.DrawText(FText, inner, format);
}

bool TTreeGridHintWindow::AnimationCallback(int step, int stepSize)
{
    TBaseTreeGrid *tree = FHintData.Tree;
    if (!isVisible() || !tree || tree->TreeStates().contains(tsCancelHintAnimation))
        return false;
    InternalPaint(step, stepSize);
    return step < FAnimationSteps;
}

void TTreeGridHintWindow::AnimationTick()
{
    const qint64 elapsed = FAnimationClock.elapsed();
    const int step = FDuration > 0 ? int(std::min<qint64>(FAnimationSteps, elapsed * FAnimationSteps / FDuration))
                                   : FAnimationSteps;
    const int stepSize = std::max(1, step - FAnimationStep);
    FAnimationStep = std::max(step, 1);
    if (!AnimationCallback(FAnimationStep, stepSize)) {
        FAnimationTimer.stop();
        InternalPaint(-1, 0);
    }
}

void TTreeGridHintWindow::WatchTick()
{
    // A press anywhere, or the pointer leaving the hint's area, ends the hint.
    const QPoint cursor = QCursor::pos();
    if (QApplication::mouseButtons() != Qt::NoButton || (cursor != FCursorAtShow && !FArea.contains(cursor)))
        hide();
}

void TTreeGridHintWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, FContent);
}

void TTreeGridHintWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    FAnimationTimer.stop();
    FWatchTimer.stop();
    FHintData = TTGHintData();
    setWindowOpacity(1.0);
    clearMask();
}

void TTreeGridHintWindow::mousePressEvent(QMouseEvent *event)
{
    PassOn(event, event->globalPosition());
}

void TTreeGridHintWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    PassOn(event, event->globalPosition());
}

void TTreeGridHintWindow::wheelEvent(QWheelEvent *event)
{
    PassOn(event, event->globalPosition());
}

void TTreeGridHintWindow::PassOn(QEvent *event, QPointF globalPos)
{
    // The window system may hand input to the hint although it asked for none.
    event->accept();
    const QPointer<TBaseTreeGrid> tree = FHintData.Tree;
    hide();
    const QPoint global = globalPos.toPoint();
    QWidget *below = QApplication::widgetAt(global);
    QWidget *top = below ? below->window() : nullptr;
    // Where no window is found (some platforms do not say), the tree's window takes it when the
    // point lies on it.
    if (!top && tree && tree->window()->frameGeometry().contains(global))
        top = tree->window();
    if (!top || top == this || !top->windowHandle())
        return;
    // Sent to the window rather than to a widget, so that it picks the widget under the point
    // and the button's release follows the press as for any press on it.
    QWindow *window = top->windowHandle();
    const QPointF local = window->mapFromGlobal(globalPos);
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        QWheelEvent passed(local, globalPos, wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                           wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source(),
                           wheel->pointingDevice());
        QCoreApplication::sendEvent(window, &passed);
        return;
    }
    const auto *mouse = static_cast<QMouseEvent *>(event);
    // A double click on the hint is the first press the window below sees.
    QMouseEvent passed(QEvent::MouseButtonPress, local, local, globalPos, mouse->button(), mouse->buttons(),
                       mouse->modifiers(), mouse->pointingDevice());
    QCoreApplication::sendEvent(window, &passed);
}
