#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

#include "window/FormMain.h"
#include "Locations.h"
#include "window/PlannerApplication.h"
#include "common/TestSupport.h"

namespace {

// A control whose handlers fail the way a programming error in a real handler would.
class ThrowingWidget : public QWidget
{
public:
    int handled = 0;

protected:
    void customEvent(QEvent *) override
    {
        ++handled;
        throw std::runtime_error("row index out of range");
    }
    void timerEvent(QTimerEvent *) override
    {
        ++handled;
        throw 42;
    }
};

QStringList logLines()
{
    return QString::fromUtf8(testsupport::readFile(platform::logFilePath())).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(StartupTest, MainWindowOpensAndClosesOffscreen)
{
    auto *form = new TMainForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TMainForm> guard(form);
    EXPECT_EQ(form->objectName(), QStringLiteral("MainForm"));
    EXPECT_TRUE(form->windowTitle().startsWith(QStringLiteral("ZOP - ")));
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST(StartupTest, ExceptionInAHandlerIsLoggedNotFatal)
{
    QFile::remove(platform::logFilePath());
    ThrowingWidget widget;
    widget.show();
    QApplication::processEvents();

    // Qt's own dispatch is not exception-safe for every event type (pointer events leak their
    // points when unwound), so the test throws from events that carry no such state.
    QEvent command(QEvent::User);
    bool handled = true;
    // The event travels through the real dispatch of the application before the handler throws.
    EXPECT_NO_THROW(handled = TPlannerApplication::DeliverGuarded([&] { return QApplication::sendEvent(&widget, &command); }));
    EXPECT_FALSE(handled);
    EXPECT_EQ(widget.handled, 1);

    QTimerEvent tick(1);
    EXPECT_NO_THROW(TPlannerApplication::DeliverGuarded([&] { return QApplication::sendEvent(&widget, &tick); }));
    EXPECT_EQ(widget.handled, 2);

    // The application goes on delivering events afterwards.
    bool later = false;
    QTimer::singleShot(0, &widget, [&] { later = true; });
    QApplication::processEvents();
    EXPECT_TRUE(later);

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" - Exception: row index out of range"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" - Exception: unknown exception"))) << lines[1].toStdString();
}
