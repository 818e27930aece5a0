#include "dialogs/OrganizePositionsDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/DialogParts.h"
#include "dialogs/ListGrid.h"

TOrganizePositionsDialog::TOrganizePositionsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OrganizePositionsDialog"));
    setWindowTitle(Translate(QStringLiteral("Group resources...")));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    ButtonNew = MakeDialogButton(this, "ButtonNew", "new Group");
    ButtonDelete = MakeDialogButton(this, "ButtonDelete", "delete Group");
    QHBoxLayout *bottom = OkCancelRow(this, ButtonOK, ButtonCancel);
    bottom->insertWidget(0, ButtonDelete);
    bottom->insertWidget(0, ButtonNew);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);
    resize(460, 420);

    connect(PageControl1, &QTabWidget::currentChanged, this, &TOrganizePositionsDialog::UpdateButtons);
    connect(ButtonNew, &QPushButton::clicked, this, &TOrganizePositionsDialog::NewGroupClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TOrganizePositionsDialog::DeleteGroupClick);
    connect(ButtonOK, &QPushButton::clicked, this, &TOrganizePositionsDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOrganizePositionsDialog::Fill(const TGroupsSetup &setup)
{
    FRead = setup;
    FStringList = setup.Names;
    ClearGroups();
    AddGroup(setup.FirstCaption);
    for (const TGroupSetup &group : setup.Groups) {
        AddGroup(group.Caption);
        for (int position : group.Checked)
            SetChecked(GroupCount() - 1, position, true);
    }
    PageControl1->setCurrentIndex(0);
    FWasActive = false;
    UpdateButtons();
}

TGroupsSetup TOrganizePositionsDialog::Setup() const
{
    TGroupsSetup setup = FRead;
    setup.Names = FStringList;
    setup.Groups.clear();
    for (int sheet = 1; sheet < GroupCount(); ++sheet) {
        TGroupSetup group;
        group.Caption = PageControl1->tabText(sheet);
        for (int position = 0; position < FStringList.size(); ++position)
            if (GetChecked(sheet, position))
                group.Checked.push_back(position);
        setup.Groups.push_back(group);
    }
    return setup;
}

void TOrganizePositionsDialog::AddGroup(const QString &name)
{
    const int index = GroupCount();
    auto *sheet = new QWidget(PageControl1);
    sheet->setObjectName(QStringLiteral("TabSheet%1").arg(index));
    auto *label = new QLabel(Translate(QStringLiteral("Name of Group")), sheet);
    auto *edit = new QLineEdit(name, sheet);
    edit->setObjectName(QStringLiteral("Edit%1").arg(index));
    TListGrid *tree = TBaseTreeGrid::Create<TListGrid>(sheet);
    tree->setObjectName(QStringLiteral("Tree%1").arg(index));
    tree->SetCheckBoxes(true);
    tree->SetColumns({}, {});
    tree->OnRowText = [this](int row, int) { return FStringList.value(row); };
    tree->SetRowCount(int(FStringList.size()));
    auto *grid = new QGridLayout(sheet);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edit, 0, 1);
    grid->addWidget(tree, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    PageControl1->addTab(sheet, name);
    // The first group shows every position, always.
    if (index == 0) {
        for (int position = 0; position < FStringList.size(); ++position)
            tree->SetChecked(position, true);
        edit->setEnabled(false);
        tree->setEnabled(false);
    }
    EndRenameOnEnter(edit, tree);
    connect(edit, &QLineEdit::textChanged, this, [this, sheet](const QString &text) {
        PageControl1->setTabText(PageControl1->indexOf(sheet), text);
    });
    PageControl1->setCurrentIndex(index);
}

void TOrganizePositionsDialog::ClearGroups()
{
    while (PageControl1->count() > 0) {
        QWidget *sheet = PageControl1->widget(0);
        PageControl1->removeTab(0);
        delete sheet;
    }
}

int TOrganizePositionsDialog::GroupCount() const
{
    return PageControl1->count();
}

TListGrid *TOrganizePositionsDialog::Tree(int sheet) const
{
    QWidget *page = PageControl1->widget(sheet);
    return page ? page->findChild<TListGrid *>() : nullptr;
}

bool TOrganizePositionsDialog::GetChecked(int sheet, int position) const
{
    TListGrid *tree = Tree(sheet);
    return tree && tree->Checked(position);
}

void TOrganizePositionsDialog::SetChecked(int sheet, int position, bool value)
{
    if (TListGrid *tree = Tree(sheet))
        tree->SetChecked(position, value);
}

void TOrganizePositionsDialog::SetGroupName(int sheet, const QString &name)
{
    if (QWidget *page = PageControl1->widget(sheet))
        if (auto *edit = page->findChild<QLineEdit *>())
            edit->setText(name);
}

void TOrganizePositionsDialog::NewGroupClick()
{
    AddGroup(Translate(QStringLiteral("new Group")));
    UpdateButtons();
}

void TOrganizePositionsDialog::DeleteGroupClick()
{
    const int index = PageControl1->currentIndex();
    if (index <= 0)
        return;
    QWidget *sheet = PageControl1->widget(index);
    PageControl1->removeTab(index);
    delete sheet;
    UpdateButtons();
}

void TOrganizePositionsDialog::UpdateButtons()
{
    ButtonDelete->setEnabled(PageControl1->currentIndex() > 0);
}

void TOrganizePositionsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FWasActive = true;
}

void TOrganizePositionsDialog::OkClick()
{
    if (!OnConfirm || OnConfirm())
        accept();
}
