#include "dialogs/EditTimeDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Language.h"
#include "dialogs/DialogParts.h"
#include "setup/SetupRules.h"

TEditTimeDialog::TEditTimeDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditTimeDialog"));
    setWindowTitle(Translate(QStringLiteral("Edit working hours")));
    const auto edit = [this](const QString &name) {
        auto *line = new QLineEdit(this);
        line->setObjectName(name);
        line->setMaximumWidth(70);
        return line;
    };
    EditBegin = edit(QStringLiteral("EditBegin"));
    EditEnd = edit(QStringLiteral("EditEnd"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(Translate(QStringLiteral("Begin")), this), 0, 0);
    grid->addWidget(EditBegin, 0, 1);
    grid->addWidget(new QLabel(Translate(QStringLiteral("End")), this), 1, 0);
    grid->addWidget(EditEnd, 1, 1);
    grid->addWidget(new QLabel(Translate(QStringLiteral("time")), this), 2, 1);
    grid->addWidget(new QLabel(Translate(QStringLiteral("Length (min)")), this), 2, 2);
    static const char *const breaks[3] = {"1st work break", "2nd work break", "3rd work break"};
    for (int i = 0; i < 3; ++i) {
        EditPauseTime[std::size_t(i)] = edit(QStringLiteral("EditPauseTime%1").arg(i + 1));
        EditPauseLength[std::size_t(i)] = edit(QStringLiteral("EditPauseLength%1").arg(i + 1));
        grid->addWidget(new QLabel(Translate(QString::fromLatin1(breaks[i])), this), 3 + i, 0);
        grid->addWidget(EditPauseTime[std::size_t(i)], 3 + i, 1);
        grid->addWidget(EditPauseLength[std::size_t(i)], 3 + i, 2);
    }
    QHBoxLayout *buttons = OkCancelRow(this, ButtonOK, ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    connect(ButtonOK, &QPushButton::clicked, this, &TEditTimeDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TEditTimeDialog::Fill(const TDayInfo &day)
{
    FDay = day;
    const TWorkingDayTexts texts = WorkingDayTexts(day);
    EditBegin->setText(texts.Begin);
    EditEnd->setText(texts.End);
    for (std::size_t i = 0; i < 3; ++i) {
        EditPauseTime[i]->setText(texts.PauseStart[i]);
        EditPauseLength[i]->setText(texts.PauseLength[i]);
    }
}

void TEditTimeDialog::OkClick()
{
    TWorkingDayTexts texts;
    texts.Begin = EditBegin->text();
    texts.End = EditEnd->text();
    for (std::size_t i = 0; i < 3; ++i) {
        texts.PauseStart[i] = EditPauseTime[i]->text();
        texts.PauseLength[i] = EditPauseLength[i]->text();
    }
    const QString problem = ReadWorkingDay(texts, FDay);
    if (!problem.isEmpty()) {
        if (OnMessage)
            OnMessage(problem);
        return;
    }
    accept();
}
