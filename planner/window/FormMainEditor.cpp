// The main window's property editor: docked at the right of the table or in its own window.

#include "window/FormMain.h"

#include <QAction>
#include <QBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>

#include "Language.h"
#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"
#include "editor/PropertyEditor.h"

void TMainForm::CreateEditor()
{
    // The table and the editor share the place the table had, side by side.
    EditorSplitter = new QSplitter(Qt::Horizontal);
    EditorSplitter->setObjectName(QStringLiteral("EditorSplitter"));
    EditorSplitter->setChildrenCollapsible(false);
    QWidget *container = PageControl1->parentWidget();
    if (auto *splitter = qobject_cast<QSplitter *>(container)) {
        splitter->replaceWidget(splitter->indexOf(PageControl1), EditorSplitter);
    } else if (container && container->layout()) {
        delete container->layout()->replaceWidget(PageControl1, EditorSplitter);
    }
    EditorSplitter->addWidget(PageControl1);
    EditorPanel = new QWidget;
    EditorPanel->setObjectName(QStringLiteral("EditorPanel"));
    EditorSplitter->addWidget(EditorPanel);
    EditorSplitter->setStretchFactor(0, 1);
    EditorSplitter->setStretchFactor(1, 0);
    EditorSplitter->setSizes({width() - 300, 300});
    EditorPanel->hide();
    FEditor = std::make_unique<TPropertyEditor>(*FCore, Sync(), EditorPanel, this);
    for (TColorPanel *panel : {ChartCommands->ItemColorPanel, ChartCommands->HolidayColorPanel})
        connect(panel, &TColorPanel::PaletteChanged, FEditor.get(), &TPropertyEditor::PaletteChanged);
    // Saving writes a typed date first, so it may save at once.
    FEditor->OnDateTyped = [this] { ActionSave->setEnabled(true); };

    EditorAsForm = new QAction(Translate(QStringLiteral("Editor as Window")), this);
    EditorAsForm->setObjectName(QStringLiteral("EditorAsForm"));
    EditorAsForm->setCheckable(true);
    addAction(EditorAsForm);
    connect(EditorAsForm, &QAction::toggled, this, [this](bool checked) { FEditor->EditorAsFormClick(checked); });
    QMenu *view = menuBar()->findChild<QMenu *>(QStringLiteral("View1"));
    if (!view) {
        view = menuBar()->addMenu(Translate(QStringLiteral("&View")));
        view->setObjectName(QStringLiteral("View1"));
    }
    view->addAction(EditorAsForm);
}

TPropertyEditor &TMainForm::Editor() const
{
    return *FEditor;
}

void TMainForm::UpdateEditor()
{
    if (FEditor)
        FEditor->UpdateEditor();
}

void TMainForm::SeteditorVisible(bool visible)
{
    if (FEditor)
        FEditor->SeteditorVisible(visible);
}

void TMainForm::ApplyTypedDate()
{
    // The date the user sees in the field is the one saved, printed or exported; it is held
    // back only while it may still be half typed.
    if (FEditor)
        FEditor->ApplyTypedDate();
}

void TMainForm::ShowEditorForNewNode()
{
    if (FEditor)
        FEditor->ShowForNewNode();
}
