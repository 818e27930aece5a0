#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The program's application object. Every event goes through notify(), which is the one place
// where an exception that escaped a handler is caught: it is logged and the program goes on.
class TPlannerApplication : public QApplication
{
    Q_OBJECT
public:
    // Sets the title "Velmora" and takes the date patterns from the user's locale.
    TPlannerApplication(int &argc, char **argv);
    ~TPlannerApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Runs one delivery; an exception it throws is logged and counts as an unhandled event.
    static bool DeliverGuarded(const std::function<bool()> &deliver);
    // Logs "Exception: " + message; nothing is shown to the user.
    static void ApplicationEvents1Exception(const QString &message);
};
