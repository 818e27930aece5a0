#pragma once

#include <QWidget>

#include "print/PageHeaderFooter.h"
#include "print/PrintOptions.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;

// The part both print dialogs share: "Print Header:" with its text, "Print Footer:" with its
// text, "Print Filename" and "leave border". The controls keep the names the dialogs give them.
class TPrintPageOptions : public QWidget
{
    Q_OBJECT

public:
    // footerName: the footer text's name in its dialog.
    TPrintPageOptions(const char *footerName, QWidget *parent);

    void SetOptions(const TPrintOptions &options);
    void GetOptions(TPrintOptions &options) const;
    // What a printout writes around its pages: the texts only when checked.
    TPrintPageTexts PageTexts(const QString &fileName) const;

    QCheckBox *Header = nullptr;
    QLineEdit *HeaderText = nullptr;
    QCheckBox *Fusszeile = nullptr;
    QLineEdit *FooterText = nullptr;
    QCheckBox *PrintFilename = nullptr;
    QCheckBox *Lochrand = nullptr;
    // Further options go below these.
    QGridLayout *Layout = nullptr;
};
