#pragma once

#include <QDialog>
#include <QPoint>

#include "core/DocumentTypes.h"

class QLabel;
class QPushButton;
class TFramePlacement;

// "new Task": asks in which table a bar drawn in the chart is made. The chart fills the three
// labels with the drawn range and the row; "Tasks" and "Absent Days" close with OK and set
// `table`, Cancel closes with Cancel.
class TNewEntryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TNewEntryDialog(QWidget *parent = nullptr);

    // Shows the texts and makes the button of `active` the default one.
    void Prepare(const QString &begin, const QString &end, const QString &position, TWhichTable active);
    // Places the window with the bottom-left corner of its frame at a screen point (the frame
    // ends right above it), on the screen; also the first time it shows.
    void PlaceAt(QPoint bottomLeft);

    TWhichTable table = tbTable;

    QLabel *LabelBegin = nullptr;
    QLabel *LabelEnd = nullptr;
    QLabel *LabelPos = nullptr;
    QPushButton *Button1 = nullptr; // "Tasks"
    QPushButton *Button2 = nullptr; // "Absent Days"
    QPushButton *Button3 = nullptr; // "Cancel"

private:
    void Choose(TWhichTable chosen);

    TFramePlacement *FPlacement = nullptr;
};
