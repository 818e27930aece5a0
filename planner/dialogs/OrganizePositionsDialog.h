#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

#include "setup/SetupTypes.h"

class QPushButton;
class QTabWidget;
class TListGrid;

// "Group resources...": one tab per position group, each checking the positions it shows. The
// first tab is the fixed group of all positions.
class TOrganizePositionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TOrganizePositionsDialog(QWidget *parent = nullptr);

    void Fill(const TGroupsSetup &setup);
    // The groups as the tabs hold them now.
    TGroupsSetup Setup() const;
    bool WasActive() const { return FWasActive; }
    void ClearWasActive() { FWasActive = false; }

    // Appends a tab and makes it the active one.
    void AddGroup(const QString &name);
    void ClearGroups();
    int GroupCount() const;
    bool GetChecked(int sheet, int position) const;
    void SetChecked(int sheet, int position, bool value);
    const QStringList &GetItems() const { return FStringList; }
    TListGrid *Tree(int sheet) const;
    void SetGroupName(int sheet, const QString &name);

    void NewGroupClick();
    void DeleteGroupClick();
    void OkClick();

    std::function<bool()> OnConfirm;

    QTabWidget *PageControl1 = nullptr;
    QPushButton *ButtonNew = nullptr;
    QPushButton *ButtonDelete = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void UpdateButtons();

    QStringList FStringList;
    TGroupsSetup FRead;
    bool FWasActive = false;
};
