#pragma once

// Pieces the dialogs share: named, translated buttons, the up-down pair beside a list,
// the row of OK and Cancel at the bottom, settings beside a picture and the field that
// renames a list's row.

class QHBoxLayout;
class QLineEdit;
class QVBoxLayout;
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
// The settings of a dialog (ending in a stretch) beside its picture with a control below it;
// the picture, or else the settings, take the room the dialog grows by.
QHBoxLayout *BesidePicture(QVBoxLayout *settings, QWidget *picture, QWidget *below, bool pictureGrows);
// A field that renames the selected row of `list` (or the list's page): Enter ends the
// renaming and puts the focus back into the list; it does not answer for the dialog's default
// button, which takes Enter again from the list.
void EndRenameOnEnter(QLineEdit *field, QWidget *list);
