// The filter pop-up dropped from a column header's filter symbol is as large as the sections
// of its column's type need, one after the other without gaps, for each kind of column.

#include "planner/window/WindowTestSupport.h"

#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "dialogs/DateField.h"
#include "dialogs/FilterPopup.h"
#include "table/TableCommands.h"
#include "treegrid/StringTreeGrid.h"

using namespace userinput;

namespace {

struct TPopupLook
{
    QSize size;
    QSize wanted;
    // The largest space between two sections shown one below the other.
    int widestGap = 0;
    bool listShown = false;
    bool dateShown = false;
    bool numberShown = false;
};

class FilterPopupWindowTest : public windowtest::MainWindowTest
{
};

} // namespace

TEST_F(FilterPopupWindowTest, ThePopUpIsAsLargeAsWhatItShows)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("note"));
    QApplication::processEvents();
    TStringTreeGrid *grid = form->StringTreeGrid1;
    TFilterPopup *popup = form->TableCommands().FilterPopup();
    popup->SetRollDownSpeed(0);

    // Opens the filter of a column with a click on its filter symbol and looks at it.
    const auto look = [&](TConnection cn) {
        TPopupLook seen;
        WhenShown(form.get(), [popup] { return static_cast<QWidget *>(popup); }, [&](QWidget *) {
            seen.size = popup->size();
            seen.wanted = popup->layout()->totalSizeHint();
            seen.listShown = popup->ListBoxList->isVisible();
            seen.dateShown = popup->DateTimePickerFrom->isVisible();
            seen.numberShown = popup->EditValue->isVisible();
            std::vector<QRect> shown;
            for (QWidget *child : popup->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (child->isVisible())
                    shown.push_back(child->geometry());
            std::sort(shown.begin(), shown.end(), [](const QRect &a, const QRect &b) { return a.top() < b.top(); });
            int bottom = shown.empty() ? 0 : shown.front().bottom();
            for (const QRect &r : shown) {
                if (r.top() > bottom)
                    seen.widestGap = std::max(seen.widestGap, r.top() - bottom - 1);
                bottom = std::max(bottom, r.bottom());
            }
            QTest::keyClick(popup->RadioButtonNoFilter, Qt::Key_Escape);
        });
        QTest::mouseClick(grid->Header()->Widget(), Qt::LeftButton, {},
                          HeaderPoint(grid, core->GetConnection(tbTable, cn), 5));
        return seen;
    };
    const int spacing = popup->layout()->spacing();

    const TPopupLook text = look(cnTextCenterMiddle);
    EXPECT_TRUE(text.listShown);
    EXPECT_FALSE(text.dateShown);
    EXPECT_FALSE(text.numberShown);
    EXPECT_EQ(text.size, text.wanted);
    EXPECT_LE(text.widestGap, spacing + 2);

    const TPopupLook date = look(cnStart);
    EXPECT_FALSE(date.listShown);
    EXPECT_TRUE(date.dateShown);
    EXPECT_EQ(date.size, date.wanted);
    EXPECT_LE(date.widestGap, spacing + 2);

    const TPopupLook number = look(cnLength);
    EXPECT_TRUE(number.numberShown);
    EXPECT_FALSE(number.listShown);
    EXPECT_EQ(number.size, number.wanted);
    EXPECT_LE(number.widestGap, spacing + 2);

    // Shorter without the list than with it.
    EXPECT_LT(date.size.height(), text.size.height());
    EXPECT_EQ(look(cnTextCenterMiddle).size, text.size);
}
