#pragma once

// The filter pop-up of the main window, worked as a user works it.

#include <QRadioButton>
#include <QTest>

#include <functional>

#include "core/PlannerCore.h"
#include "dialogs/FilterPopup.h"
#include "planner/UserInput.h"
#include "table/TableCommands.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "window/FormMain.h"

namespace filtertest {

// The pop-up of a column opened with a click on its filter symbol; `act` works it and closes
// it.
inline void WorkFilter(TMainForm &form, TWhichTable table, int column, const std::function<void(TFilterPopup &)> &act)
{
    TFilterPopup *popup = form.TableCommands().FilterPopup();
    popup->SetRollDownSpeed(0);
    bool worked = false;
    userinput::WhenShown(&form, [popup] { return static_cast<QWidget *>(popup); }, [&](QWidget *) { act(*popup); },
                         &worked);
    TBaseTreeGrid *grid = form.Core().GetTable(table);
    QTest::mouseClick(grid->Header()->Widget(), Qt::LeftButton, {}, userinput::HeaderPoint(grid, column, 5));
    ASSERT_TRUE(userinput::WaitUntil([&] { return worked && !popup->isVisible(); }));
}

// A click on a radio button's circle.
inline void ClickRadio(QRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    ASSERT_TRUE(button->isChecked()) << button->objectName().toStdString();
}

} // namespace filtertest
