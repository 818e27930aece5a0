#include "dialogs/PrintPageOptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

#include "dialogs/NamedControl.h"

TPrintPageOptions::TPrintPageOptions(const char *footerName, QWidget *parent)
    : QWidget(parent)
{
    Header = Named(new QCheckBox(QStringLiteral("Print Header:"), this), "Header");
    HeaderText = Named(new QLineEdit(this), "HeaderText");
    Fusszeile = Named(new QCheckBox(QStringLiteral("Print Footer:"), this), "Fusszeile");
    FooterText = Named(new QLineEdit(this), footerName);
    PrintFilename = Named(new QCheckBox(QStringLiteral("Print Filename"), this), "PrintFilename");
    Lochrand = Named(new QCheckBox(QStringLiteral("leave border"), this), "Lochrand");
    Layout = new QGridLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Header, 0, 0);
    Layout->addWidget(HeaderText, 0, 1);
    Layout->addWidget(Fusszeile, 1, 0);
    Layout->addWidget(FooterText, 1, 1);
    Layout->addWidget(PrintFilename, 2, 0, 1, 2);
    Layout->addWidget(Lochrand, 3, 0, 1, 2);
}

void TPrintPageOptions::SetOptions(const TPrintOptions &options)
{
    FooterText->setText(options.Footer);
    HeaderText->setText(options.Header);
    Header->setChecked(options.PrintHeader);
    Fusszeile->setChecked(options.PrintFooter);
    PrintFilename->setChecked(options.PrintFilename);
    Lochrand->setChecked(options.PrintLochrand);
}

void TPrintPageOptions::GetOptions(TPrintOptions &options) const
{
    options.Footer = FooterText->text();
    options.Header = HeaderText->text();
    options.PrintHeader = Header->isChecked();
    options.PrintFooter = Fusszeile->isChecked();
    options.PrintFilename = PrintFilename->isChecked();
    options.PrintLochrand = Lochrand->isChecked();
}

TPrintPageTexts TPrintPageOptions::PageTexts(const QString &fileName) const
{
    TPrintPageTexts texts;
    texts.footer = Fusszeile->isChecked() ? FooterText->text() : QString();
    texts.header = Header->isChecked() ? HeaderText->text() : QString();
    texts.printFilename = PrintFilename->isChecked();
    texts.fileName = fileName;
    texts.lochrand = Lochrand->isChecked();
    return texts;
}
