#include "DropDownForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <stdexcept>

namespace {

// The one drop-down whose loop runs; a second one is refused while it is set.
QPointer<TfmDropDown> gActiveDropDown;

const QEvent::Type CloseDropDownEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

bool IsMouseButtonEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

// Shows the growing picture during the roll-out, so that the real window appears only once.
class TRollOutWindow : public QWidget
{
public:
    explicit TRollOutWindow(const QPixmap &picture)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , FPicture(picture)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // The bottom rows of the picture, so that the content slides out of the edge.
        QPainter painter(this);
        const int h = height();
        const qreal ratio = FPicture.devicePixelRatio();
        painter.drawPixmap(QRect(0, 0, width(), h), FPicture,
                           QRectF(0, (FPicture.height() / ratio - h) * ratio, FPicture.width(), h * ratio));
    }

private:
    QPixmap FPicture;
};

} // namespace

// A sizing zone of the drop-down: a transparent strip over the content that shows the sizing
// cursor and resizes the drop-down while the left button drags it.
class TDropDownSizingBand : public QWidget
{
public:
    explicit TDropDownSizingBand(TfmDropDown *host)
        : QWidget(host)
        , FHost(host)
    {
        setObjectName(QStringLiteral("SizingBand"));
        hide();
    }

    void Place(const QRect &rect, Qt::Edges edges)
    {
        FEdges = edges;
        setCursor(TfmDropDown::SizingCursor(edges));
        setGeometry(rect);
        setVisible(edges && !rect.isEmpty());
        raise();
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            FHost->BeginSizing(FEdges, event->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() & Qt::LeftButton)
            FHost->SizeTo(event->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            FHost->EndSizing();
    }

private:
    TfmDropDown *FHost;
    Qt::Edges FEdges;
};

TfmDropDown::TfmDropDown(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmDropDown"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    for (TDropDownSizingBand *&band : FBands)
        band = new TDropDownSizingBand(this);
    resize(120, 120);
    PlaceBands();
}

void TfmDropDown::SetSizable(bool value)
{
    FSizable = value;
    PlaceBands();
}

TfmDropDown::~TfmDropDown()
{
    qApp->removeEventFilter(this);
    if (FLoop)
        FLoop->exit(0);
}

TfmDropDown *TfmDropDown::Active()
{
    return gActiveDropDown.data();
}

QPoint TfmDropDown::Placement(const QRect &available, int left, int top, const QSize &size,
                              TDropDownPosition &position)
{
    position = ddpBelow;
    int y = top;
    if (y + size.height() > available.bottom() + 1) {
        y = top - size.height();
        position = ddpAbove;
        if (y < available.top())
            y = available.top();
    }
    int x = left;
    if (x + size.width() > available.right() + 1)
        x = available.right() + 1 - size.width();
    if (x < available.left())
        x = available.left();
    return QPoint(x, y);
}

std::array<TfmDropDown::TSizingBand, 3> TfmDropDown::SizingBands(const QSize &size, TDropDownPosition position)
{
    const int w = size.width();
    const int h = size.height();
    if (position == ddpBelow)
        return {{{QRect(0, h - 5, w, 5), Qt::BottomEdge},
                 {QRect(w - 5, 0, 5, h), Qt::RightEdge},
                 {QRect(w - 10, h - 10, 10, 10), Qt::BottomEdge | Qt::RightEdge}}};
    return {{{QRect(0, 0, w, 5), Qt::TopEdge}, {QRect(), {}}, {QRect(w - 5, 0, 5, 5), Qt::TopEdge | Qt::RightEdge}}};
}

Qt::Edges TfmDropDown::SizingZone(const QSize &size, const QPoint &pos, TDropDownPosition position)
{
    if (!QRect(QPoint(0, 0), size).contains(pos))
        return {};
    const auto bands = SizingBands(size, position);
    // The corner first: it lies over the edges.
    for (auto band = bands.rbegin(); band != bands.rend(); ++band)
        if (band->edges && band->rect.contains(pos))
            return band->edges;
    return {};
}

Qt::CursorShape TfmDropDown::SizingCursor(Qt::Edges edges)
{
    if (edges == (Qt::BottomEdge | Qt::RightEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::TopEdge | Qt::RightEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    if (edges & Qt::RightEdge)
        return Qt::SizeHorCursor;
    return Qt::ArrowCursor;
}

void TfmDropDown::PlaceBands()
{
    const auto bands = SizingBands(size(), FDropDownPosition);
    for (std::size_t i = 0; i < FBands.size(); ++i)
        FBands[i]->Place(FSizable ? bands[i].rect : QRect(), FSizable ? bands[i].edges : Qt::Edges());
}

QList<int> TfmDropDown::RollOutSteps(int height, int resolution)
{
    QList<int> steps;
    if (height <= 0)
        return steps;
    resolution = qMax(1, resolution);
    int step = static_cast<int>(std::nearbyint(double(height) / resolution));
    int count;
    if (step <= 0) {
        step = 1;
        count = height;
    } else {
        count = static_cast<int>(std::nearbyint(double(height) / step));
    }
    for (int i = 1; i <= count; ++i)
        steps.append(qMin(height, i * step));
    return steps;
}

bool TfmDropDown::RollDownForm(QWidget *parentForm, int left, int top, int width, int height)
{
    if (!parentForm)
        throw std::runtime_error("DropDownForm must have a parent form.");
    // Idle work may run inside the loop and ask for another drop-down: refuse it.
    if (gActiveDropDown || (FDropDownState & ~ddsHidden))
        return false;

    gActiveDropDown = this;
    QPointer<TfmDropDown> self(this);
    FParentForm = parentForm;
    FRolledDownOnce = true;
    FDropDownState = ddsExpanding;
    FModalResult = mrNone;
    FLButtonDown = false;
    FPressSeen = false;
    FLoopEnded = false;
    FSizingEdges = {};

    const QSize size(width < 0 ? this->width() : width, height < 0 ? this->height() : height);
    resize(size);
    QScreen *screen = QGuiApplication::screenAt(QPoint(left, top));
    if (!screen)
        screen = parentForm->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(left, top, size.width(), size.height());
    move(Placement(available, left, top, size, FDropDownPosition));
    PlaceBands();

    // The control that has the keyboard gets it back when the drop-down closes, as it was.
    QWidget *parentWindow = parentForm->window();
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (!focused || focused->window() != parentWindow)
        focused = parentWindow->focusWidget();

    qApp->installEventFilter(this);
    RollOut();
    if (!self)
        return false;
    FDropDownState = ddsShown;

    if (!FLoopEnded) {
        QEventLoop loop;
        FLoop = &loop;
        const auto focusConnection = connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
            if (!window)
                return;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->windowHandle() == window && (Contains(widget) || (FParentForm && widget == FParentForm->window())))
                    return;
            }
            EndLoop();
        });
        const auto stateConnection = connect(qApp, &QGuiApplication::applicationStateChanged, this,
                                             [this](Qt::ApplicationState state) {
                                                 if (state != Qt::ApplicationActive)
                                                     EndLoop();
                                             });
        loop.exec();
        if (!self)
            return false;
        disconnect(focusConnection);
        disconnect(stateConnection);
        FLoop = nullptr;
    }

    qApp->removeEventFilter(this);
    hide();
    // A close asked for while this one was ending must not end the next one.
    QCoreApplication::removePostedEvents(this, CloseDropDownEvent);
    FDropDownState = ddsHidden;
    FLButtonDown = false;
    gActiveDropDown = nullptr;
    if (FParentForm)
        ReturnFocus(focused);
    emit OnDropDownClosed();
    return true;
}

void TfmDropDown::ReturnFocus(QWidget *focused)
{
    QWidget *window = FParentForm->window();
    window->activateWindow();
    // Not the window itself: typing must go on in the control, at its caret. A control that
    // went away meanwhile leaves the window the focus it has now.
    if (focused && focused->window() == window && focused->isVisible() && focused->isEnabled())
        focused->setFocus(Qt::PopupFocusReason);
    else if (!window->focusWidget())
        FParentForm->setFocus(Qt::PopupFocusReason);
}

void TfmDropDown::RollOut()
{
    const QList<int> steps = RollOutSteps(height(), FAnimationResolution);
    if (FRollDownSpeed > 0 && steps.size() > 1) {
        ensurePolished();
        QPixmap picture = grab();
        QPointer<TRollOutWindow> rollOut = new TRollOutWindow(picture);
        for (int h : steps) {
            if (FLoopEnded || !rollOut)
                break;
            rollOut->setGeometry(x(), y(), width(), h);
            rollOut->show();
            rollOut->repaint();
            Wait(FRollDownSpeed);
        }
        delete rollOut.data();
    }
    show();
    raise();
    activateWindow();
}

void TfmDropDown::Wait(int ms)
{
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

void TfmDropDown::CloseDropDown()
{
    QCoreApplication::postEvent(this, new QEvent(CloseDropDownEvent));
}

void TfmDropDown::EndLoop()
{
    FLoopEnded = true;
    if (FLoop)
        FLoop->exit(0);
}

void TfmDropDown::DoEscape()
{
    FModalResult = mrCancel;
}

bool TfmDropDown::Contains(QObject *object) const
{
    for (QObject *o = object; o; o = o->parent()) {
        if (o == this)
            return true;
    }
    return false;
}

bool TfmDropDown::eventFilter(QObject *watched, QEvent *event)
{
    if (FDropDownState == ddsHidden || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);

    const QEvent::Type type = event->type();
    if (IsMouseButtonEvent(type)) {
        QWidget *receiver = static_cast<QWidget *>(watched);
        const bool release = type == QEvent::MouseButtonRelease || type == QEvent::NonClientAreaMouseButtonRelease;
        if (!release && type != QEvent::Wheel)
            FPressSeen = true;
        // The release of the click that opened the drop-down goes where it belongs.
        if (release && !FPressSeen)
            return false;
        // Child pop-ups (a calendar's month menu) count as inside through their parents.
        if (Contains(receiver)) {
            if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                FLButtonDown = true;
            else if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                FLButtonDown = false;
            return false;
        }
        if (FLButtonDown && type == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            FLButtonDown = false;
            return false;
        }
        // The click that closes the drop-down does nothing else.
        EndLoop();
        return true;
    }
    if (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        DoEscape();
        EndLoop();
        return true;
    }
    if (type == QEvent::Quit)
        EndLoop();
    return QWidget::eventFilter(watched, event);
}

bool TfmDropDown::event(QEvent *event)
{
    if (event->type() == CloseDropDownEvent) {
        EndLoop();
        return true;
    }
    if (event->type() == QEvent::UngrabMouse)
        FLButtonDown = false;
    return QWidget::event(event);
}

void TfmDropDown::closeEvent(QCloseEvent *event)
{
    // Hiding is the loop's business; closing only asks it to end.
    event->ignore();
    if (FDropDownState != ddsHidden)
        CloseDropDown();
}

void TfmDropDown::BeginSizing(Qt::Edges edges, const QPoint &globalPos)
{
    FSizingEdges = edges;
    FSizingStartGeometry = geometry();
    FSizingStartPos = globalPos;
}

void TfmDropDown::SizeTo(const QPoint &globalPos)
{
    if (!FSizingEdges)
        return;
    const QPoint delta = globalPos - FSizingStartPos;
    QRect r = FSizingStartGeometry;
    const QSize minimum = minimumSizeHint().expandedTo(QSize(20, 20));
    if (FSizingEdges & Qt::RightEdge)
        r.setWidth(qMax(minimum.width(), r.width() + delta.x()));
    if (FSizingEdges & Qt::BottomEdge)
        r.setHeight(qMax(minimum.height(), r.height() + delta.y()));
    if (FSizingEdges & Qt::TopEdge)
        r.setTop(qMin(r.bottom() + 1 - minimum.height(), r.top() + delta.y()));
    setGeometry(r);
}

void TfmDropDown::EndSizing()
{
    FSizingEdges = {};
}

void TfmDropDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceBands();
}

void TfmDropDown::paintEvent(QPaintEvent *)
{
    // The thin border of the window.
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
