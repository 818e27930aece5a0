// Where the editor is shown: the docked panel or its own window, and when: half a second
// after the selection asked for it.

#include "editor/PropertyEditor.h"

#include <QCoreApplication>
#include <QLayout>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"
#include "PopupDateTime.h"
#include "editor/EditorForm.h"

TEditorForm *TPropertyEditor::EditorForm() const
{
    return FForm;
}

TDateTimePopup *TPropertyEditor::DateTimePopup() const
{
    return FDatePopup;
}

void TPropertyEditor::SeteditorVisible(bool visible)
{
    FEditorVisible = visible;
    ApplyFieldsEnabled();
    // Rapid selection changes show or hide the editor once.
    FVisibleTimer.start();
}

void TPropertyEditor::ApplyFieldsEnabled()
{
    if (!FValuePanel)
        return;
    // At once, not when the editor hides: typing into a field for rows no longer selected
    // (deleted, cut, filtered away) would go nowhere. A date typed for them is written into
    // those still there or told, and the keys go to the table: also from the chart that took
    // them from a field only to open its menu.
    if (!FEditorVisible) {
        SettleTypedDates();
        if (KeysFromField())
            if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
                grid->setFocus(Qt::OtherFocusReason);
    }
    FValuePanel->setEnabled(FEditorVisible);
}

void TPropertyEditor::ShowForNewNode()
{
    FVisibleTimer.stop();
    FEditorVisible = !FLines.empty();
    ApplyFieldsEnabled();
    ApplyVisibility();
    UpdateEditor();
    if (!FAsForm && FEditorVisible && !FLines.empty())
        FLines.front().edit->setFocus();
}

void TPropertyEditor::ChangeEditorVisibleTimerTimer()
{
    // While a document loads the question waits for the next tick.
    if (FCore.IsLoading()) {
        FVisibleTimer.start();
        return;
    }
    if (FLines.empty()) {
        FEditorVisible = false;
        ApplyFieldsEnabled();
    }
    ApplyVisibility();
}

void TPropertyEditor::ApplyVisibility()
{
    if (FAsForm) {
        if (FPanel)
            FPanel->hide();
        EnsureForm();
        if (FEditorVisible)
            FForm->ShowOnScreen();
        else
            FForm->hide();
    } else {
        if (FForm)
            FForm->hide();
        if (FPanel)
            FPanel->setVisible(FEditorVisible);
    }
    if (FEditorVisible)
        LayOutNow();
}

void TPropertyEditor::LayOutNow()
{
    // Shown, the fields stand where they are drawn at once: a click that comes before the
    // posted layout requests would otherwise meet fields that have no width yet.
    std::vector<QWidget *> chain;
    for (QWidget *widget = FValuePanel; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        chain.push_back(widget);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        QCoreApplication::sendPostedEvents(*it, QEvent::LayoutRequest);
        if (QLayout *layout = (*it)->layout())
            layout->activate();
    }
}

void TPropertyEditor::EnsureForm()
{
    if (FForm)
        return;
    FForm = new TEditorForm(FMainWindow);
    connect(FForm, &TEditorForm::SizeChanged, this, &TPropertyEditor::OnEditorSizeChanged);
    // Closed by the user, the window takes no typed date along.
    connect(FForm, &TEditorForm::Closing, this, [this] { SettleTypedDates(); });
    // The place kept for it (the settings are read while the editor is docked).
    if (FEditorPos)
        FForm->move(*FEditorPos);
}

void TPropertyEditor::EditorAsFormClick(bool asWindow)
{
    if (asWindow == FAsForm)
        return;
    // The fields move to the other place: a date typed there is left.
    SettleTypedDates();
    const bool visible = FEditorVisible;
    FAsForm = asWindow;
    if (FPanel)
        FPanel->hide();
    if (FForm)
        FForm->hide();
    if (asWindow) {
        EnsureForm();
        if (FMainWindow)
            FForm->setFont(FMainWindow->font());
        FForm->TakeContent(FScrollBox);
        FEditorSizeUpdate = true;
    } else if (FPanel) {
        FScrollBox->setParent(FPanel);
        if (FPanel->layout())
            FPanel->layout()->addWidget(FScrollBox);
        FScrollBox->show();
    }
    PageControl1Change();
    FVisibleTimer.stop();
    FEditorVisible = visible && !FLines.empty();
    ApplyFieldsEnabled();
    ApplyVisibility();
    UpdateEditor();
}

void TPropertyEditor::ApplyFormSize()
{
    if (!FForm || !FAsForm || !FEditorSizeUpdate)
        return;
    LimitFormHeight(FEditorSize[FBuiltTable].height());
    FForm->resize(FEditorSize[FBuiltTable]);
    FEditorSizeUpdate = false;
}

void TPropertyEditor::LimitFormHeight(int kept)
{
    // The window grows no taller than its lines and status line need, unless the size kept
    // for it is taller: that comes back as it was. The limit is on the inside of the window;
    // its frame is the window manager's and differs before and after the window first shows.
    const QStatusBar *bar = FForm->findChild<QStatusBar *>();
    const int needed = (LineCount() + 1) * FPitch + (bar ? bar->sizeHint().height() : 0);
    FForm->setMaximumHeight(std::max(needed, kept));
}

void TPropertyEditor::OnEditorSizeChanged()
{
    if (FEditorSizeUpdate || !FForm)
        return;
    FEditorSize[FBuiltTable] = FForm->size();
}

QSize TPropertyEditor::GetEditorSize() const
{
    return FForm ? FForm->size() : QSize(0, 0);
}

void TPropertyEditor::SetEditorSize(const QSize &size)
{
    if (!FForm)
        return;
    FEditorSizeUpdate = true;
    LimitFormHeight(size.height());
    FForm->resize(size);
    FEditorSizeUpdate = false;
}

QPoint TPropertyEditor::GetEditorPos() const
{
    return FForm ? FForm->pos() : FEditorPos.value_or(QPoint(0, 0));
}

void TPropertyEditor::SetEditorPos(const QPoint &pos)
{
    FEditorPos = pos;
    if (FForm)
        FForm->PlaceAt(pos);
}
