#include "dialogs/SplashForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "Language.h"
#include "Version.h"

namespace {

constexpr int SplashWidth = 440;
constexpr int SplashHeight = 260;
// The shape behind the version label is this much wider than the label.
constexpr int ShapeMargin = 5;

} // namespace

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(SplashWidth, SplashHeight);

    const auto label = [this](QLabel *&target, const char *name, const QString &text, int pointSize, bool bold) {
        target = new QLabel(text, this);
        target->setObjectName(QString::fromLatin1(name));
        QFont font = target->font();
        font.setPointSize(pointSize);
        font.setBold(bold);
        target->setFont(font);
        target->setStyleSheet(QStringLiteral("color: white; background: transparent"));
    };
    label(LabelStatus, "LabelStatus", QStringLiteral("ZOP wird initialisiert..."), 9, false);
    label(LabelMultiuser, "LabelMultiuser", QStringLiteral("Multiuser"), 11, true);
    label(LabelVersion, "LabelVersion", QString(), 9, false);
    LabelVersion->setStyleSheet(QStringLiteral("color: #1c3550; background: transparent"));
    LabelStatus->move(24, SplashHeight - 34);
    LabelMultiuser->move(24, 92);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &QWidget::hide);

    Translate(this);
    UpdateShape();
}

void TSplashForm::UpdateShape()
{
    LabelVersion->setText(Translate(QStringLiteral("Version %s"), {platform::versionString()}));
    LabelVersion->adjustSize();
    LabelStatus->adjustSize();
    LabelMultiuser->adjustSize();
    LabelVersion->move(width() - LabelVersion->width() - 24, SplashHeight - 34);
    update();
}

void TSplashForm::CenterOn(const QWidget *window)
{
    QRect area;
    if (window && window->isVisible())
        area = window->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void TSplashForm::StartTimer()
{
    Timer1->start();
}

void TSplashForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        UpdateShape();
    QWidget::changeEvent(event);
}

void TSplashForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0, QColor(0x1c, 0x35, 0x50));
    sky.setColorAt(1, QColor(0x2f, 0x6a, 0x8f));
    painter.fillRect(area, sky);

    // A small plan: resource rows with their bars, as the chart draws them.
    const int left = 24;
    const int top = 124;
    const int rowHeight = 18;
    const QColor bars[] = {QColor(0xff, 0xff, 0xff), QColor(0xff, 0xff, 0x00), QColor(0x00, 0xbf, 0x00)};
    const int spans[4][4] = {{0, 90, 110, 60}, {40, 120, 180, 90}, {10, 60, 90, 150}, {70, 110, 200, 70}};
    painter.setPen(QColor(255, 255, 255, 60));
    for (int row = 0; row <= 4; ++row)
        painter.drawLine(left, top + row * rowHeight, width() - left, top + row * rowHeight);
    for (int row = 0; row < 4; ++row) {
        const int y = top + row * rowHeight + 3;
        painter.setPen(QColor(0, 0, 0, 120));
        painter.setBrush(bars[row % 3]);
        painter.drawRoundedRect(QRectF(left + spans[row][0], y, spans[row][1], rowHeight - 6), 3, 3);
        painter.setBrush(bars[(row + 1) % 3]);
        painter.drawRoundedRect(QRectF(left + spans[row][2], y, spans[row][3], rowHeight - 6), 3, 3);
    }

    QFont title = font();
    title.setPointSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(left, 24, width() - 2 * left, 60), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Velmora"));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe8, 0xf0, 0xf6));
    painter.drawRoundedRect(ShapeRect(), 4, 4);
}

QRect TSplashForm::ShapeRect() const
{
    const QRect label = LabelVersion->geometry();
    return QRect(label.x() - ShapeMargin / 2, label.y() - 2, label.width() + ShapeMargin, label.height() + 4);
}
