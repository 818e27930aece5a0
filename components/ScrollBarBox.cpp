#include "ScrollBarBox.h"

#include <algorithm>
#include <limits>

#include <QPainter>
#include <QScrollBar>
#include <QStyle>

// ---- TScrollBarOptions

TScrollBarOptions::TScrollBarOptions(TScrollBarBox *owner)
    : FOwner(owner)
{
}

void TScrollBarOptions::SetScrollBars(TScrollStyle value)
{
    if (FScrollBars != value) {
        FScrollBars = value;
        if (FOwner)
            FOwner->RecreateWnd();
    }
}

void TScrollBarOptions::SetScrollBarStyle(TScrollBarStyle value)
{
    if (FScrollBarStyle != value) {
        FScrollBarStyle = value;
        if (FOwner)
            FOwner->RecreateWnd();
    }
}

void TScrollBarOptions::Assign(const TScrollBarOptions &source)
{
    if (&source == this)
        return;
    FScrollBars = source.FScrollBars;
    FScrollBarStyle = source.FScrollBarStyle;
    if (FOwner)
        FOwner->RecreateWnd();
}

// ---- TScrollBarInfo

TScrollBarInfo::TScrollBarInfo(TScrollBarBox *owner, TScrollBarKind kind)
    : FOwner(owner)
    , FKind(kind)
{
}

void TScrollBarInfo::SetMin(int value)
{
    FMin = value;
    SetInfo();
}

void TScrollBarInfo::SetMax(int value)
{
    FMax = value;
    SetInfo();
}

void TScrollBarInfo::SetPage(unsigned value)
{
    FPage = value;
    SetInfo();
}

void TScrollBarInfo::SetPos(int value)
{
    FPos = value;
    SetInfo();
}

void TScrollBarInfo::SetAll(int min, int max, unsigned page, int pos)
{
    FMin = min;
    FMax = max;
    FPage = page;
    FPos = pos;
    SetInfo();
}

void TScrollBarInfo::GetInfo()
{
    if (!FOwner || !FOwner->IncludesBar(FKind))
        return;
    const QScrollBar *bar = FOwner->ScrollBar(FKind);
    // Range and page are what was pushed; the bar only moves the position.
    FPos = bar->value();
    FTrackPos = bar->sliderPosition();
}

void TScrollBarInfo::SetInfo()
{
    if (!FOwner)
        return;
    QScrollBar *bar = FOwner->ScrollBar(FKind);
    const bool included = FOwner->IncludesBar(FKind);
    if (included) {
        // The window system's range min..max with a page maps to Qt's min..max - page + 1.
        const qint64 top = FPage > 0 ? qint64(FMax) - qint64(FPage) + 1 : qint64(FMax);
        const int maximum = int(std::clamp<qint64>(top, FMin, std::numeric_limits<int>::max()));
        bar->setRange(FMin, std::max(FMin, maximum));
        bar->setPageStep(int(std::min<unsigned>(FPage, unsigned(std::numeric_limits<int>::max()))));
        bar->setSingleStep(1);
        bar->setValue(FPos);
    }
    if (bar->isVisibleTo(FOwner) != included) {
        bar->setVisible(included);
        FOwner->LayoutBars();
    }
}

void TScrollBarInfo::ScrollMessage(int code)
{
    GetInfo();
    int pos = FPos;
    switch (code) {
    case SB_LINEUP: pos = FPos - 1; break;
    case SB_LINEDOWN: pos = FPos + 1; break;
    case SB_PAGEUP: pos = int(qint64(FPos) - qint64(FPage)); break;
    case SB_PAGEDOWN: pos = int(qint64(FPos) + qint64(FPage)); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = FTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = int(qint64(FMax) - qint64(FPage)); break;
    default: break;
    }
    if (code != SB_ENDSCROLL)
        SetPos(pos);
    if (FOwner)
        FOwner->FireScroll(FKind);
}

void TScrollBarInfo::Assign(const TScrollBarInfo &source)
{
    if (&source == this)
        return;
    FMin = source.FMin;
    FMax = source.FMax;
    FPage = source.FPage;
    FPos = source.FPos;
    FTrackPos = source.FTrackPos;
    SetInfo();
}

// ---- TScrollBarBox

TScrollBarBox::TScrollBarBox(QWidget *parent)
    : TCanvasPanel(parent)
    , FScrollBarOptions(std::make_unique<TScrollBarOptions>(this))
    , FHorzScrollInfo(std::make_unique<TScrollBarInfo>(this, sbHorizontal))
    , FVertScrollInfo(std::make_unique<TScrollBarInfo>(this, sbVertical))
{
    FHorzBar = new QScrollBar(Qt::Horizontal, this);
    FVertBar = new QScrollBar(Qt::Vertical, this);
    FHorzBar->setObjectName(QStringLiteral("HorzScrollBar"));
    FVertBar->setObjectName(QStringLiteral("VertScrollBar"));
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        QScrollBar *bar = ScrollBar(kind);
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, kind](int action) { BarAction(kind, action); });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, kind] {
            TScrollBarInfo &info = kind == sbHorizontal ? *FHorzScrollInfo : *FVertScrollInfo;
            info.ScrollMessage(SB_THUMBPOSITION);
            info.ScrollMessage(SB_ENDSCROLL);
        });
    }
    resize(185, 41);
    RecreateWnd();
}

TScrollBarBox::~TScrollBarBox() = default;

QScrollBar *TScrollBarBox::ScrollBar(TScrollBarKind kind) const
{
    return kind == sbHorizontal ? FHorzBar : FVertBar;
}

bool TScrollBarBox::IncludesBar(TScrollBarKind kind) const
{
    const TScrollStyle s = FScrollBarOptions->ScrollBars();
    return s == ssBoth || (kind == sbHorizontal ? s == ssHorizontal : s == ssVertical);
}

void TScrollBarBox::SetBorderStyle(TBorderStyle value)
{
    if (FBorderStyle != value) {
        FBorderStyle = value;
        LayoutBars();
        update();
    }
}

void TScrollBarBox::SetScrollBarOptions(const TScrollBarOptions &value)
{
    FScrollBarOptions->Assign(value);
}

void TScrollBarBox::SetClientControl(QWidget *control)
{
    FClientControl = control;
    if (control) {
        if (control->parentWidget() != this)
            control->setParent(this);
        control->setGeometry(ClientAreaRect());
        control->show();
    }
}

QPoint TScrollBarBox::ClientOrigin() const
{
    return QPoint(BorderWidth(), BorderWidth());
}

QRect TScrollBarBox::GetClientRect() const
{
    const int b = BorderWidth();
    int w = width() - 2 * b;
    int h = height() - 2 * b;
    if (FVertBar && !FVertBar->isHidden())
        w -= FVertBar->sizeHint().width();
    if (FHorzBar && !FHorzBar->isHidden())
        h -= FHorzBar->sizeHint().height();
    return QRect(0, 0, std::max(0, w), std::max(0, h));
}

void TScrollBarBox::LayoutBars()
{
    const int b = BorderWidth();
    const QRect client = GetClientRect();
    const int vw = FVertBar->sizeHint().width();
    const int hh = FHorzBar->sizeHint().height();
    FVertBar->setGeometry(b + client.width(), b, vw, client.height());
    FHorzBar->setGeometry(b, b + client.height(), client.width(), hh);
    if (FClientControl)
        FClientControl->setGeometry(ClientAreaRect());
    update();
}

void TScrollBarBox::RecreateWnd()
{
    FHorzBar->setHidden(!IncludesBar(sbHorizontal));
    FVertBar->setHidden(!IncludesBar(sbVertical));
    LayoutBars();
    FHorzScrollInfo->SetInfo();
    FVertScrollInfo->SetInfo();
}

void TScrollBarBox::resizeEvent(QResizeEvent *event)
{
    LayoutBars();
    TCanvasPanel::resizeEvent(event);
}

void TScrollBarBox::PaintNonClient(QPainter &painter)
{
    const QColor face = ToQColor(clBtnFace);
    // The corner between two bars.
    if (!FHorzBar->isHidden() && !FVertBar->isHidden())
        painter.fillRect(QRect(FVertBar->x(), FHorzBar->y(), FVertBar->width(), FHorzBar->height()), face);
    if (FBorderStyle == bsSingle) {
        // A sunken client edge.
        const QRect r = rect();
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), ToQColor(clBtnShadow));
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), ToQColor(clBtnShadow));
        painter.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, 1), ToQColor(cl3DDkShadow));
        painter.fillRect(QRect(r.left() + 1, r.top() + 1, 1, r.height() - 2), ToQColor(cl3DDkShadow));
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), ToQColor(clBtnHighlight));
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), ToQColor(clBtnHighlight));
        painter.fillRect(QRect(r.left() + 1, r.bottom() - 1, r.width() - 2, 1), ToQColor(cl3DLight));
        painter.fillRect(QRect(r.right() - 1, r.top() + 1, 1, r.height() - 2), ToQColor(cl3DLight));
    }
}

void TScrollBarBox::BarAction(TScrollBarKind kind, int action)
{
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: return;
    }
    TScrollBarInfo &info = kind == sbHorizontal ? *FHorzScrollInfo : *FVertScrollInfo;
    info.ScrollMessage(code);
    // The slider applies its own pending position after this signal; make it ours.
    ScrollBar(kind)->setSliderPosition(info.Pos());
}

void TScrollBarBox::FireScroll(TScrollBarKind kind)
{
    const TNotifyEvent &handler = kind == sbHorizontal ? OnHorzScroll : OnVertScroll;
    if (handler)
        handler(this);
}
