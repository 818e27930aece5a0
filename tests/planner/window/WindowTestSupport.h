#pragma once

#include <QApplication>
#include <QFileInfo>
#include <QString>
#include <QTest>

#include <functional>
#include <memory>
#include <utility>

#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"

namespace windowtest {

// A new document (the two basic tables, no rows) saved as a file; its canonical name, empty
// on failure.
inline QString WriteEmptyDocument(const QString &path)
{
    bool saved = false;
    {
        TOtherDocument document;
        saved = document.file->SaveTo(path);
    }
    return saved ? QFileInfo(path).canonicalFilePath() : QString();
}

// A main window shown and active at 1200 x 800.
inline void ShowActive(TMainForm &window)
{
    window.resize(1200, 800);
    window.show();
    QApplication::setActiveWindow(&window);
    // Clicks go to the window once it has the keys.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// The real main window, shown and active at 1200 x 800, for tests that work it as a user does;
// a question beyond its script gets `unscripted`.
class MainWindowTest : public ::testing::Test
{
protected:
    explicit MainWindowTest(int unscripted = mrCancel, QString dateFormat = QStringLiteral("dd.MM.yyyy"))
        : FUnscripted(unscripted), FDateFormat(std::move(dateFormat))
    {
    }
    void SetUp() override
    {
        SetDateFormats(FDateFormat, QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        form = std::make_unique<TScriptedMainForm>(FUnscripted);
        BeforeShow();
        ASSERT_NO_FATAL_FAILURE(ShowActive(*form));
        core = &form->Core();
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    // What is set up on the window before it first shows.
    virtual void BeforeShow() {}

    TNodeData *AddTask(const QString &position, const QString &start, const QString &length)
    {
        return AddTaskRow(*core, position, start, length);
    }
    // The window takes the keyboard, as a window the user works in has it.
    static void Activate(QWidget *window)
    {
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(userinput::WaitUntil([window] { return QApplication::activeWindow() == window; }));
    }
    // Opens a dialog with a menu item and works it, active, with `act`; true once it closed.
    bool WorkDialog(QMenu *menu, QAction *item, const std::function<QWidget *()> &dialog,
                    const std::function<void(QWidget *)> &act)
    {
        bool worked = false;
        QWidget *shown = nullptr;
        userinput::WhenShown(form.get(), dialog, [&](QWidget *window) {
            shown = window;
            Activate(window);
            act(window);
        }, &worked);
        userinput::ClickMenuItem(*form, menu, item);
        return userinput::WaitUntil([&] { return worked && !shown->isVisible(); });
    }

    std::unique_ptr<TScriptedMainForm> form;
    TPlannerCore *core = nullptr;

private:
    int FUnscripted;
    QString FDateFormat;
};

} // namespace windowtest
