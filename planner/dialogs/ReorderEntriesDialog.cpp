#include "dialogs/ReorderEntriesDialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Canvas.h"
#include "CanvasPanel.h"

TReorderEntriesDialog::TReorderEntriesDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReorderEntriesDialog"));
    setWindowTitle(QString::fromUtf8("Einträge zuordnen"));
    setWindowFlag(Qt::Tool);
    setSizeGripEnabled(true);
    connection = new QListWidget(this);
    connection->setObjectName(QStringLiteral("connection"));
    for (const char *item : {"Position", "Starttermin", "Länge", "Termin", "Farbe", "Text links oben", "Text links mitte",
                             "Text links unten", "Text rechts oben", "Text rechts mitte", "Text rechts unten"})
        connection->addItem(QString::fromUtf8(item));
    selectedconnection = new QListWidget(this);
    selectedconnection->setObjectName(QStringLiteral("selectedconnection"));
    PaintBox1 = new TCanvasPanel(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setMinimumWidth(80);
    PaintBox1->SetColor(clWhite);
    PaintBox1->OnPaint = [this](QObject *) { PaintBox1Paint(); };
    ButtonCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto *lists = new QHBoxLayout;
    lists->setSpacing(0);
    lists->addWidget(connection, 1);
    lists->addWidget(PaintBox1);
    lists->addWidget(selectedconnection, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    resize(460, 320);

    for (QListWidget *list : {connection, selectedconnection})
        connect(list, &QListWidget::itemSelectionChanged, PaintBox1, qOverload<>(&QWidget::update));
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TReorderEntriesDialog::SelectedMiddle(QListWidget *list) const
{
    QListWidgetItem *item = list->currentItem();
    if (!item || !item->isSelected())
        return -1;
    const QPoint middle = list->visualItemRect(item).center();
    return PaintBox1->mapFromGlobal(list->viewport()->mapToGlobal(middle)).y();
}

void TReorderEntriesDialog::PaintBox1Paint()
{
    TCanvas &canvas = PaintBox1->Canvas();
    const int width = PaintBox1->width();
    // Guide lines from every item on either side into the panel.
    canvas.Pen().SetColor(clGray);
    canvas.Pen().SetWidth(1);
    for (QListWidget *list : {connection, selectedconnection}) {
        const bool left = list == connection;
        for (int i = 0; i < list->count(); ++i) {
            const QPoint middle = list->visualItemRect(list->item(i)).center();
            const int y = PaintBox1->mapFromGlobal(list->viewport()->mapToGlobal(middle)).y();
            canvas.MoveTo(left ? 0 : width - 12, y);
            canvas.LineTo(left ? 12 : width, y);
        }
    }
    const int from = SelectedMiddle(connection);
    const int to = SelectedMiddle(selectedconnection);
    if (from < 0 || to < 0)
        return;
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(3);
    canvas.MoveTo(0, from);
    canvas.LineTo(width, to);
}

void TReorderEntriesDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    connection->setCurrentRow(0);
}
