#pragma once

// A desktop session for the tests that need one: a real X display with a window manager and
// other programs' windows beside this process's own. The keys and clicks go through the X server
// (xdotool), so they reach the window that has the focus there, as a user's do. Outside a session
// (the offscreen runs) `Active()` is false and such tests skip themselves.

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace desktop {

// True inside a desktop session (an X display, not the offscreen platform).
bool Active();

// Runs the event loop until `done` or `ms` passed; the answer of `done` at the end.
bool WaitFor(const std::function<bool()> &done, int ms = 20000);

// Runs an X tool to its end while this process goes on answering its own windows; its output
// when `output` is given. False when it did not start or failed.
bool Run(const QString &program, const QStringList &arguments, QString *output = nullptr);

// Brings a window of this process to the front as the window manager does when the user picks
// it in the task bar, and waits until it is the active window.
bool Activate(QWidget *window);

// The pointer moved to a point of a widget and clicked there with the left button.
bool Click(QWidget *widget, const QPoint &at);

// Key presses as xdotool names them ("ctrl+a", "Tab", "Return"), to the window with the focus;
// true once a window of this process got them all.
bool Keys(const QStringList &keys);

// Text typed into the window with the focus; true once a window of this process got it all.
bool Type(const QString &text);

// Another program on the desktop: a message window of its own that the user switches to.
class TOtherProgram
{
public:
    TOtherProgram() = default;
    ~TOtherProgram();
    TOtherProgram(const TOtherProgram &) = delete;
    TOtherProgram &operator=(const TOtherProgram &) = delete;

    // Starts it and waits until its window shows; false when it does not.
    bool Start();
    // The user switches to it: true once this process has no active window left.
    bool Activate();

private:
    QProcess FProcess;
    QString FWindow;
    QString FTitle;
};

} // namespace desktop
