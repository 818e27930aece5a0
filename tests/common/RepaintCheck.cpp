#include "RepaintCheck.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>

namespace testsupport {

void FlushPaints()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
}

QImage ShownPixels(QWidget *widget)
{
    QWidget *top = widget->window();
    QScreen *screen = top->screen();
    if (!screen)
        return QImage();
    const QPixmap window = screen->grabWindow(top->winId());
    // The grab counts device pixels.
    const qreal ratio = widget->devicePixelRatioF();
    const QRect area(widget->mapTo(top, QPoint(0, 0)) * ratio, widget->size() * ratio);
    return window.copy(area).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage ShownAfterEvents(QWidget *widget)
{
    QApplication::processEvents();
    return ShownPixels(widget);
}

QImage FreshRender(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int DifferingPixels(const QImage &a, const QImage &b, int skipRows)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height() - skipRows; ++y)
        for (int x = 0; x < a.width(); ++x)
            count += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return count;
}

::testing::AssertionResult SameShown(const QImage &shown, const QImage &fresh, const std::vector<QRect> &ignored)
{
    if (shown.size() != fresh.size())
        return ::testing::AssertionFailure() << "sizes differ: shown " << shown.width() << "x" << shown.height()
                                             << ", fresh " << fresh.width() << "x" << fresh.height();
    int count = 0;
    QRect where;
    QString first;
    for (int y = 0; y < shown.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(shown.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(fresh.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            if ((a[x] & 0xFFFFFF) == (b[x] & 0xFFFFFF))
                continue;
            const QPoint p(x, y);
            bool skip = false;
            for (const QRect &r : ignored)
                skip = skip || r.contains(p);
            if (skip)
                continue;
            if (count++ == 0)
                first = QStringLiteral("(%1, %2) shown #%3, fresh #%4")
                            .arg(x)
                            .arg(y)
                            .arg(a[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                            .arg(b[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'));
            where = where.united(QRect(p, QSize(1, 1)));
        }
    }
    if (count == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count << " pixels differ within (" << where.x() << ", " << where.y()
                                         << ", " << where.width() << " x " << where.height() << "), first at "
                                         << first.toStdString();
}

::testing::AssertionResult ShowsFullRender(QWidget *widget)
{
    const QImage shown = ShownAfterEvents(widget);
    if (shown.isNull())
        return ::testing::AssertionFailure() << "the window shows nothing of the widget";
    return SameShown(shown, FreshRender(widget));
}

void TRepaintCheck::Watch(QWidget *widget, TAnimated animated, TDrawWhole drawWhole)
{
    FWidgets.push_back({widget, std::move(animated), std::move(drawWhole)});
}

bool TRepaintCheck::Check(const QString &step)
{
    FlushPaints();
    ++FChecks;
    bool ok = true;
    for (const TWatched &watched : FWidgets) {
        QWidget *widget = watched.widget;
        if (!widget || !widget->isVisible())
            continue;
        const QImage shown = ShownPixels(widget);
        QImage fresh = FreshRender(widget);
        const std::vector<QRect> animated = watched.animated ? watched.animated() : std::vector<QRect>{};
        ::testing::AssertionResult same = SameShown(shown, fresh, animated);
        const char *what = " shows what a full paint does not draw: ";
        if (same && watched.drawWhole) {
            watched.drawWhole();
            fresh = FreshRender(widget);
            // What drawing whole asked for is shown before the next step begins.
            FlushPaints();
            same = SameShown(shown, fresh, animated);
            what = " keeps a picture that differs from one drawn whole: ";
        }
        if (same)
            continue;
        ok = false;
        const QString name = widget->objectName();
        ADD_FAILURE() << "after \"" << step.toStdString() << "\", " << name.toStdString() << what
                      << same.message();
        const QString dump = qEnvironmentVariable("VELMORA_REPAINT_DUMP");
        if (!dump.isEmpty() && QDir().mkpath(dump)) {
            QString file = QStringLiteral("%1-%2-%3").arg(FChecks).arg(name, step);
            file.replace(QLatin1Char(' '), QLatin1Char('_'));
            const QString base = QDir(dump).filePath(file);
            shown.save(base + QStringLiteral("-shown.png"));
            fresh.save(base + QStringLiteral("-fresh.png"));
        }
    }
    return ok;
}

} // namespace testsupport
