#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "WeekInfo.h"

class QLineEdit;
class QPushButton;

// "Edit working hours": begin and end of a working day and its three breaks.
class TEditTimeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TEditTimeDialog(QWidget *parent = nullptr);

    void Fill(const TDayInfo &day);
    // The day as entered, once the dialog was confirmed.
    const TDayInfo &Day() const { return FDay; }
    // Takes the texts, or keeps the dialog open with the reason they cannot be taken.
    void OkClick();

    std::function<void(const QString &)> OnMessage;

    QLineEdit *EditBegin = nullptr;
    QLineEdit *EditEnd = nullptr;
    std::array<QLineEdit *, 3> EditPauseTime{};
    std::array<QLineEdit *, 3> EditPauseLength{};
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

private:
    TDayInfo FDay;
};
