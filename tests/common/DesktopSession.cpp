#include "DesktopSession.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QUuid>
#include <QWidget>
#include <QWindow>

namespace desktop {

namespace {

// Counts the keys released in this process's windows, modifiers aside: one for each key
// xdotool presses or character it types.
class TKeyCounter : public QObject
{
public:
    using QObject::QObject;
    int released = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The window gets the key first, from the X server; its widgets get it from there.
        if (event->type() == QEvent::KeyRelease && watched->isWindowType()) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta)
                ++released;
        }
        return false;
    }
};

int KeysReleased()
{
    static TKeyCounter *counter = [] {
        auto *made = new TKeyCounter(qApp);
        qApp->installEventFilter(made);
        return made;
    }();
    return counter->released;
}

// Runs xdotool to send `keys` keys, and waits until this process got them: the X server has
// them once xdotool ends, the program only when it read and delivered them.
bool SendKeys(const QStringList &arguments, int keys)
{
    const int before = KeysReleased();
    if (!Run(QStringLiteral("xdotool"), arguments))
        return false;
    return WaitFor([before, keys] { return KeysReleased() >= before + keys; });
}

} // namespace

bool Active()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool WaitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool Run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return false;
    // The tool may wait for this process's windows (a focus taken, a window mapped): keep them
    // answering meanwhile instead of blocking in waitForFinished.
    WaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

static QString WindowId(QWidget *window)
{
    return QString::number(window->window()->winId());
}

bool Activate(QWidget *window)
{
    QWidget *top = window->window();
    if (!Run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), WindowId(top)}))
        return false;
    return WaitFor([top] { return top->isActiveWindow() && QGuiApplication::focusWindow() == top->windowHandle(); });
}

bool Click(QWidget *widget, const QPoint &at)
{
    const QPoint global = widget->mapToGlobal(at);
    return Run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                           QString::number(global.x()), QString::number(global.y()),
                                           QStringLiteral("click"), QStringLiteral("1")});
}

bool Keys(const QStringList &keys)
{
    return SendKeys(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} + keys,
                    int(keys.size()));
}

bool Type(const QString &text)
{
    return SendKeys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}, int(text.size()));
}

TOtherProgram::~TOtherProgram()
{
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        FProcess.waitForFinished();
    }
}

bool TOtherProgram::Start()
{
    // A title of its own, so that the search finds this window and no other program's.
    FTitle = QStringLiteral("other-") + QUuid::createUuid().toString(QUuid::Id128);
    FProcess.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), FTitle, QStringLiteral("-geometry"),
                                                 QStringLiteral("+40+40"), QStringLiteral("Another program")});
    if (!FProcess.waitForStarted(30000))
        return false;
    QString found;
    if (!Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--name"), FTitle},
             &found))
        return false;
    FWindow = found.section(QLatin1Char('\n'), 0, 0);
    return !FWindow.isEmpty();
}

bool TOtherProgram::Activate()
{
    if (FWindow.isEmpty() || !Run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), FWindow}))
        return false;
    return WaitFor([] { return QGuiApplication::focusWindow() == nullptr && QApplication::activeWindow() == nullptr; });
}

} // namespace desktop
