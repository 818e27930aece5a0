#pragma once

// Pieces the dialogs share: named, translated buttons, the up-down pair beside a list
// and the row of OK and Cancel at the bottom.

class QHBoxLayout;
class QPushButton;
class QToolButton;
class QWidget;

// A button captioned with the translated `caption` and named `name`.
QPushButton *MakeDialogButton(QWidget *parent, const char *name, const char *caption);
// The two arrows that move a list's selected row up and down ("UpDown1Up", "UpDown1Down").
void MakeUpDown(QWidget *parent, QToolButton *&up, QToolButton *&down);
// OK (the default button) and Cancel at the right.
QHBoxLayout *OkCancelRow(QWidget *parent, QPushButton *&ok, QPushButton *&cancel, const char *okName = "ButtonOK",
                         const char *cancelName = "ButtonCancel");
