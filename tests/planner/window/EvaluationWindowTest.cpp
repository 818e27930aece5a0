// The Evaluation menu, the search box, "Goto Date..." and "Select all" as the user reaches
// them in the main window.

#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QChartView>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "chart/TimeChartView.h"
#include "dialogs/ChartDialog.h"
#include "dialogs/DateField.h"
#include "dialogs/GotoDialog.h"
#include "dialogs/HolidayDialog.h"
#include "dialogs/StatisticsDialog.h"
#include "table/AbsenceReport.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

class EvaluationWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"));
        form = std::make_unique<TScriptedMainForm>();
        form->show();
        QApplication::setActiveWindow(form.get());
        core = &form->Core();
        const char *cities[] = {"Berlin", "Hamburg", "Bern", "Essen"};
        for (int i = 0; i < 4; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(node, cnPosition, QStringLiteral("Position %1").arg(1 + i % 3));
            core->SetData_(node, cnStart, QStringLiteral("0%1.03.2026").arg(2 + i));
            core->SetData_(node, cnLength, QString::number(2 + i));
            core->SetData_(node, cnTextCenterMiddle, QString::fromLatin1(cities[i]));
            rows.push_back(node);
        }
        core->UpdateBoundsProc();
        form->OnExecDialog = [this](QDialog &dialog) {
            shown.append(dialog.objectName());
            return answer ? answer(dialog) : int(QDialog::Rejected);
        };
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    TNodeData *Selected() { return core->NodeData(form->StringTreeGrid1, form->StringTreeGrid1->GetFirstSelected()); }
    QAction *Item(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    std::unique_ptr<TScriptedMainForm> form;
    TPlannerCore *core = nullptr;
    std::vector<TNodeData *> rows;
    QStringList shown;
    std::function<int(QDialog &)> answer;
};

} // namespace

TEST_F(EvaluationWindowTest, MenusOpenTheChartsWithTheirData)
{
    emit form->Auswertung1->aboutToShow();
    QAction *length = Item(form->NumericStatistics1, "Length");
    ASSERT_NE(length, nullptr);
    EXPECT_TRUE(form->NumericStatistics1->isEnabled());
    QAction *perResource = Item(form->Utilisation1, "Length");
    ASSERT_NE(perResource, nullptr);
    ASSERT_NE(perResource->menu(), nullptr);
    QStringList items;
    for (QAction *action : perResource->menu()->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, (QStringList{"alle", "-", "Position 1", "Position 2", "Position 3"}));

    QImage picture;
    answer = [&](QDialog &dialog) {
        dialog.resize(700, 420);
        picture = dialog.grab().toImage();
        return int(QDialog::Accepted);
    };
    Item(perResource->menu(), "alle")->trigger();
    ASSERT_EQ(shown, QStringList{"ChartDialog"});
    TChartDialog *chart = form->ChartDialog();
    EXPECT_EQ(chart->Series().title1, "Utilization Test");
    EXPECT_EQ(chart->Series().title2, "Length");
    // 4 March: Hamburg (3) and Bern (4) run: (3 + 4) div 3 resources = 2.
    double onFourth = -1;
    for (const TEvaluations::TPoint &point : chart->Series().points)
        if (point.date <= EncodeDate(2026, 3, 4))
            onFourth = point.value;
    EXPECT_EQ(onFourth, 2);
    // The outline steps: every change is a vertical edge, the last value reaches the range's end.
    const QList<QPointF> outline = chart->Outline();
    ASSERT_EQ(outline.size(), qsizetype(chart->Series().points.size() * 2));
    EXPECT_EQ(outline[1].x(), outline[2].x());
    EXPECT_EQ(outline[1].y(), outline[0].y());
    EXPECT_EQ(outline.back().y(), chart->Series().points.back().value);
    // The area is painted: the chart holds pixels of the series' colour.
    ASSERT_FALSE(picture.isNull());
    int filled = 0;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2) {
            const QColor c = picture.pixelColor(x, y);
            filled += c.blue() > 150 && c.red() < 150 && c.green() < 190 ? 1 : 0;
        }
    EXPECT_GT(filled, 100);

    form->Auslastung1->trigger();
    EXPECT_EQ(chart->Series().title2, "No. Tasks");
    length->trigger();
    EXPECT_EQ(chart->Series().title2, "Length");
    EXPECT_EQ(shown.size(), 3);
}

TEST_F(EvaluationWindowTest, SearchBoxSelectAllAndGoto)
{
    form->Edit2->setFocus();
    QTest::keyClicks(form->Edit2, "ber");
    EXPECT_EQ(Selected(), rows[0]);
    QTest::keyClick(form->Edit2, Qt::Key_Return);
    EXPECT_EQ(Selected(), rows[2]);
    QTest::keyClick(form->Edit2, Qt::Key_Return);
    EXPECT_EQ(Selected(), rows[0]);
    EXPECT_EQ(form->StringTreeGrid1->SelectedCount(), 1);

    form->StringTreeGrid1->setFocus();
    form->ActionSelectAll->trigger();
    EXPECT_EQ(form->StringTreeGrid1->SelectedCount(), 4);

    // Goto: the picker starts at the chart's first day; the chosen date comes into view.
    TTimeChartGeometry &geometry = form->TimeChartView->Geometry();
    const TDateTime target = EncodeDate(2027, 6, 15);
    TDateTime offered = 0;
    answer = [&](QDialog &dialog) {
        auto *gotoDialog = static_cast<TGotoDialog *>(&dialog);
        offered = gotoDialog->Date();
        gotoDialog->SetDate(target);
        return int(QDialog::Accepted);
    };
    const TDateTime before = geometry.Start();
    form->ActionGoto->trigger();
    EXPECT_EQ(shown.back(), "GotoDialog");
    EXPECT_EQ(offered, before);
    EXPECT_GE(core->MaxDate(), target);
    // Far beyond the data, the date becomes the chart's first day.
    EXPECT_EQ(geometry.StartDestination(), target);
    for (int step = 0; step < 100 && form->TimeChartView->SliderTimer.isActive(); ++step)
        form->TimeChartView->SliderTimerTimer();
    EXPECT_EQ(geometry.Start(), geometry.StartDestination());

    // A date inside the data comes into view.
    answer = [&](QDialog &dialog) {
        static_cast<TGotoDialog *>(&dialog)->SetDate(EncodeDate(2026, 3, 3));
        return int(QDialog::Accepted);
    };
    form->ActionGoto->trigger();
    for (int step = 0; step < 100 && form->TimeChartView->SliderTimer.isActive(); ++step)
        form->TimeChartView->SliderTimerTimer();
    EXPECT_LE(geometry.Start(), EncodeDate(2026, 3, 3));
    EXPECT_GT(geometry.Start() + geometry.VisibleDays(), EncodeDate(2026, 3, 3));

    // Cancel changes nothing.
    answer = [](QDialog &) { return int(QDialog::Rejected); };
    form->ActionGoto->trigger();
    EXPECT_EQ(geometry.Start(), geometry.StartDestination());
}

TEST_F(EvaluationWindowTest, AbsenceEvaluationThroughTheMenu)
{
    emit form->Auswertung1->aboutToShow();
    EXPECT_FALSE(form->ActionHolidayStatistic->isEnabled());
    form->ActionHolidayStatistic->trigger();
    EXPECT_TRUE(shown.isEmpty());

    // Position 2 is away from Monday 28 December 2026 for seven working days, into 2027.
    const auto absence = [&](const QString &position, const QString &start, const QString &length) {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, start);
        core->SetData_(node, cnLength, length);
    };
    absence("Position 2", "28.12.2026", "7");
    absence("Position 3", "09.03.2026", "2");
    core->UpdateBoundsProc();
    emit form->Auswertung1->aboutToShow();
    ASSERT_TRUE(form->ActionHolidayStatistic->isEnabled());

    QStringList reports;
    answer = [&](QDialog &dialog) {
        auto *holiday = static_cast<THolidayDialog *>(&dialog);
        EXPECT_TRUE(holiday->RadioButton1->isChecked());
        EXPECT_FALSE(holiday->UpDown1->isEnabled());
        EXPECT_FALSE(holiday->DateTimePickerStart->isEnabled());
        reports.append(holiday->Memo1->toPlainText());
        // The year of the start picker, 1 January to 31 December.
        holiday->DateTimePickerStart->setDate(QDate(2026, 5, 5));
        holiday->RadioButton2->click();
        EXPECT_TRUE(holiday->UpDown1->isEnabled());
        EXPECT_EQ(holiday->UpDown1->value(), 2026);
        EXPECT_EQ(holiday->RangeStart(), EncodeDate(2026, 1, 1));
        EXPECT_EQ(holiday->RangeEnd(), EncodeDate(2026, 12, 31));
        reports.append(holiday->Memo1->toPlainText());
        QTest::keyClick(holiday->UpDown1, Qt::Key_Up);
        EXPECT_EQ(holiday->RangeEnd(), EncodeDate(2027, 12, 31));
        reports.append(holiday->Memo1->toPlainText());
        // Years stay within 1 to 9999.
        holiday->UpDown1->setValue(12000);
        EXPECT_EQ(holiday->UpDown1->value(), 9999);
        holiday->UpDown1ChangingEx(0);
        EXPECT_EQ(holiday->RangeStart(), EncodeDate(1, 1, 1));
        // Free input: the pickers are the range.
        holiday->RadioButton3->click();
        EXPECT_TRUE(holiday->DateTimePickerEnd->isEnabled());
        EXPECT_FALSE(holiday->UpDown1->isEnabled());
        holiday->DateTimePickerStart->setDate(QDate(2026, 3, 10));
        holiday->DateTimePickerEnd->setDate(QDate(2026, 12, 29));
        reports.append(holiday->Memo1->toPlainText());
        return int(QDialog::Accepted);
    };
    form->ActionHolidayStatistic->trigger();
    ASSERT_EQ(shown, QStringList{"HolidayDialog"});
    ASSERT_EQ(reports.size(), 4);
    const auto days = TAbsenceReport::TwoDecimals;
    // The whole data range holds both absences whole.
    EXPECT_TRUE(reports[0].contains("Position 2\n==============================\n" + days(7) + " days Holiday"));
    EXPECT_TRUE(reports[0].contains("Position 3"));
    EXPECT_TRUE(reports[1].contains("total " + days(4) + " absent days"));
    EXPECT_TRUE(reports[1].contains("Position 3"));
    EXPECT_TRUE(reports[2].startsWith("Position 2\n"));
    EXPECT_TRUE(reports[2].contains("total " + days(3) + " absent days"));
    EXPECT_FALSE(reports[2].contains("Position 3"));
    EXPECT_TRUE(reports[3].contains("total " + days(2) + " absent days"));
    EXPECT_TRUE(reports[3].contains("total " + days(1) + " absent days"));

    // Opened again, it starts over with the whole range.
    answer = [&](QDialog &dialog) {
        EXPECT_TRUE(static_cast<THolidayDialog *>(&dialog)->RadioButton1->isChecked());
        reports.append(static_cast<THolidayDialog *>(&dialog)->Memo1->toPlainText());
        return int(QDialog::Accepted);
    };
    form->ActionHolidayStatistic->trigger();
    EXPECT_EQ(reports.back(), reports[0]);
}

TEST_F(EvaluationWindowTest, StatisticsWindowThroughTheMenu)
{
    std::vector<QString> memo;
    std::vector<bool> memoEnabled;
    std::vector<QString> counts;
    const auto take = [&](TStatisticsDialog &dialog) {
        memo.push_back(dialog.Memo1->toPlainText());
        memoEnabled.push_back(dialog.Memo1->isEnabled());
        counts.push_back(dialog.Edit1->text());
    };
    const int length = core->GetConnection(tbTable, cnLength);
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    answer = [&](QDialog &dialog) {
        auto *statistics = static_cast<TStatisticsDialog *>(&dialog);
        take(*statistics);
        // Only numeric columns can be checked.
        statistics->SetColumnChecked(comment, true);
        EXPECT_TRUE(statistics->CheckedColumns().empty());
        statistics->SetColumnChecked(length, true);
        take(*statistics);
        statistics->RadioButton3->click();
        take(*statistics);
        return int(QDialog::Accepted);
    };
    form->StringTreeGrid1->ClearSelection();
    form->StringTreeGrid1->SetSelected(rows[1]->VNode, true);
    form->Statistik1->trigger();
    ASSERT_EQ(shown, QStringList{"StatisticsDialog"});
    ASSERT_EQ(memo.size(), 3u);
    EXPECT_EQ(memo[0], "No column selected for statistics");
    EXPECT_FALSE(memoEnabled[0]);
    EXPECT_EQ(counts[0], "4");
    // Lengths 2 + 3 + 4 + 5 days.
    EXPECT_EQ(memo[1], "Length (4 items selected)\n======================\nsum: " + TAbsenceReport::TwoDecimals(14)
                           + "\nmedian: " + TAbsenceReport::TwoDecimals(3.5) + "\n");
    EXPECT_TRUE(memoEnabled[1]);
    EXPECT_EQ(counts[2], "1");
    EXPECT_TRUE(memo[2].startsWith("Length (1 items selected)"));

    // The check stays for the next time; no selected row leaves the memo disabled.
    form->StringTreeGrid1->ClearSelection();
    answer = [&](QDialog &dialog) {
        auto *statistics = static_cast<TStatisticsDialog *>(&dialog);
        EXPECT_EQ(statistics->CheckedColumns(), std::vector<int>{length});
        take(*statistics);
        return int(QDialog::Accepted);
    };
    form->Statistik1->trigger();
    EXPECT_EQ(memo.back(), "0 items selected");
    EXPECT_FALSE(memoEnabled.back());
}
