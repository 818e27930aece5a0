// The filter pop-up window: the sections a column type offers, the inputs each kind enables,
// its values both ways, and closing it with Enter, OK, Cancel and Escape while it runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "AutocompletingEdit.h"
#include "DateFormat.h"
#include "dialogs/DateField.h"
#include "dialogs/FilterPopup.h"

namespace {

class FilterPopupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"));
        parent.resize(400, 300);
        parent.show();
        popup = new TFilterPopup(&parent);
        popup->SetRollDownSpeed(0);
    }
    void TearDown() override
    {
        delete popup;
        ResetDateFormats();
    }
    static TFilterPopupValues NumberValues()
    {
        TFilterPopupValues values;
        values.Caption = "Filter Column Length";
        values.NumberEnabled = true;
        values.Kind = TFilterPopupValues::fkFromTo;
        values.NumberValue = "1";
        values.NumberFrom = "1";
        values.NumberTo = "5";
        values.Text = "1";
        values.Completion = {"1", "12", "5"};
        return values;
    }
    // Runs the pop-up; `act` runs once it is shown.
    int Run(const std::function<void()> &act)
    {
        QTimer::singleShot(50, popup, [&] { act(); });
        EXPECT_TRUE(popup->RollDownForm(&parent, 10, 10));
        return popup->ModalResult();
    }

    QWidget parent;
    TFilterPopup *popup = nullptr;
};

} // namespace

TEST_F(FilterPopupTest, SectionsFollowTheColumnTypeAndEachKindEnablesItsOwnInputs)
{
    TFilterPopupValues values;
    values.Caption = "Filter Column Start";
    values.DateEnabled = true;
    values.Kind = TFilterPopupValues::fkDate;
    values.DateFrom = EncodeDate(2026, 3, 1);
    values.DateFromSet = true;
    popup->SetValues(values);
    // A date column shows no list and no number inputs; the text section is always there.
    EXPECT_FALSE(popup->RadioButtonDate->isHidden());
    EXPECT_FALSE(popup->DateTimePickerTill->isHidden());
    EXPECT_TRUE(popup->RadioButtonList->isHidden());
    EXPECT_TRUE(popup->ListBoxList->isHidden());
    EXPECT_TRUE(popup->RadioButtonSmaller->isHidden());
    EXPECT_TRUE(popup->EditTo->isHidden());
    EXPECT_FALSE(popup->RadioButtonText->isHidden());
    EXPECT_FALSE(popup->RadioButtonEmpty->isHidden());
    EXPECT_EQ(popup->LabelCaption->text(), "Filter Column Start");
    EXPECT_TRUE(popup->RadioButtonDate->isChecked());
    EXPECT_TRUE(popup->DateTimePickerFrom->isEnabled());
    EXPECT_FALSE(popup->EditText->isEnabled());
    EXPECT_EQ(popup->DateTimePickerFrom->text(), "01.03.2026");

    // A number column: only the chosen comparison's inputs are enabled.
    popup->SetValues(NumberValues());
    EXPECT_TRUE(popup->RadioButtonDate->isHidden());
    EXPECT_FALSE(popup->RadioButtonFromTo->isHidden());
    EXPECT_TRUE(popup->RadioButtonFromTo->isChecked());
    EXPECT_TRUE(popup->EditFrom->isEnabled());
    EXPECT_TRUE(popup->EditTo->isEnabled());
    EXPECT_FALSE(popup->EditValue->isEnabled());
    popup->RadioButtonEquals->click();
    EXPECT_FALSE(popup->EditFrom->isEnabled());
    EXPECT_TRUE(popup->EditValue->isEnabled());
    // The value edit stands beside the chosen comparison.
    const auto rowOf = [&](QWidget *widget) {
        auto *grid = qobject_cast<QGridLayout *>(popup->RadioButtonEquals->parentWidget()->layout());
        for (int i = 0; i < grid->count(); ++i) {
            if (auto *inner = qobject_cast<QGridLayout *>(grid->itemAt(i)->layout())) {
                const int index = inner->indexOf(widget);
                if (index >= 0) {
                    int row = 0, column = 0, rows = 0, columns = 0;
                    inner->getItemPosition(index, &row, &column, &rows, &columns);
                    return row;
                }
            }
        }
        return -1;
    };
    EXPECT_EQ(rowOf(popup->EditValue), rowOf(popup->RadioButtonEquals));
    popup->RadioButtonGreater->click();
    EXPECT_EQ(rowOf(popup->EditValue), rowOf(popup->RadioButtonGreater));
    popup->RadioButtonText->click();
    EXPECT_TRUE(popup->EditText->isEnabled());
    EXPECT_FALSE(popup->EditValue->isEnabled());
    EXPECT_EQ(popup->EditText->Items(), (QStringList{"1", "12", "5"}));
}

TEST_F(FilterPopupTest, ValuesComeBackAsTheUserLeftThem)
{
    TFilterPopupValues values;
    values.ListEnabled = true;
    values.Kind = TFilterPopupValues::fkList;
    values.ListValues = {"Berlin", "Bonn", "Köln"};
    values.ListSelected = {"berlin", "Köln"};
    popup->SetValues(values);
    EXPECT_TRUE(popup->ListBoxList->item(0)->isSelected());
    EXPECT_FALSE(popup->ListBoxList->item(1)->isSelected());
    EXPECT_TRUE(popup->ListBoxList->item(2)->isSelected());
    popup->ListBoxList->item(1)->setSelected(true);
    popup->ListBoxList->item(2)->setSelected(false);
    TFilterPopupValues back = popup->Values();
    EXPECT_EQ(back.Kind, TFilterPopupValues::fkList);
    EXPECT_EQ(back.ListSelected, (QStringList{"Berlin", "Bonn"}));
    EXPECT_TRUE(back.ListEnabled);
    EXPECT_FALSE(back.NumberEnabled);

    popup->SetValues(NumberValues());
    popup->RadioButtonSmaller->click();
    popup->EditValue->setText("7");
    back = popup->Values();
    EXPECT_EQ(back.Kind, TFilterPopupValues::fkSmaller);
    EXPECT_EQ(back.NumberValue, "7");
    EXPECT_EQ(back.NumberTo, "5");
    popup->RadioButtonNoFilter->click();
    EXPECT_EQ(popup->Values().Kind, TFilterPopupValues::fkNone);
}

TEST_F(FilterPopupTest, EnterAndOkCloseWithOkCancelAndEscapeDoNot)
{
    popup->SetValues(NumberValues());
    int result = Run([&] {
        popup->RadioButtonEquals->click();
        popup->EditValue->clear();
        popup->EditValue->setFocus();
        QTest::keyClicks(popup->EditValue, "42");
        QTest::keyClick(popup->EditValue, Qt::Key_Return);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(popup->Values().NumberValue, "42");
    EXPECT_EQ(popup->Values().Kind, TFilterPopupValues::fkEquals);

    EXPECT_EQ(Run([&] { popup->ButtonCancel->click(); }), mrCancel);
    EXPECT_EQ(Run([&] { popup->ButtonOK->click(); }), mrOk);
    EXPECT_EQ(Run([&] { QTest::keyClick(popup->EditFrom, Qt::Key_Escape); }), mrCancel);
}
