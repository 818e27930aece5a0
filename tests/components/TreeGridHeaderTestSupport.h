#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"

namespace headertest {

class THeaderTestTree : public TBaseTreeGrid
{
public:
    THeaderTestTree() { SetNodeDataType<int>(); }
    ~THeaderTestTree() override { DestroyTree(); }
    // Horizontal scrolling comes from the scroll bars; tests set the scrolled amount directly.
    void SetScrolledBy(int pixels) { FEffectiveOffsetX = pixels; }
    void SetKeys(const std::vector<int> &keys)
    {
        Clear();
        for (int key : keys)
            *GetNodeData<int>(AddChild(nullptr)) = key;
        UpdateScrollBars(true);
    }
    std::vector<int> Keys()
    {
        std::vector<int> keys;
        for (PGridNode run = RootNode()->FirstChild; run; run = run->NextSibling)
            keys.push_back(*GetNodeData<int>(run));
        return keys;
    }
};

// A shown tree (offscreen) with a visible header and columns of the given widths, captions
// "A", "B", ...; the mouse helpers take points in client coordinates of the tree, so the
// header lies at negative y. A press picks the widget under the point (strip or rows), which
// then keeps the mouse until the release, as the window system does.
struct THeaderFixture {
    THeaderTestTree *tree = nullptr;
    TTreeGridHeader *header = nullptr;
    TTreeGridColumns *columns = nullptr;
    TTreeGridHeaderWidget *strip = nullptr;
    QWidget *target = nullptr;
    Qt::MouseButtons held;

    explicit THeaderFixture(const std::vector<int> &widths, QSize size = QSize(400, 200), int headerHeight = 20)
    {
        tree = TBaseTreeGrid::Create<THeaderTestTree>();
        tree->resize(size);
        header = tree->Header();
        columns = header->Columns();
        for (size_t i = 0; i < widths.size(); ++i) {
            TTreeGridColumn *column = columns->Add();
            column->SetText(QString(QChar('A' + int(i))));
            column->SetMinWidth(0);
            column->SetWidth(widths[i]);
        }
        header->SetOptions(header->Options() + hoVisible);
        header->SetHeight(headerHeight);
        tree->show();
        QCoreApplication::processEvents();
        strip = header->Widget();
    }
    ~THeaderFixture() { delete tree; }

    QWidget *WidgetAt(QPoint client) const { return client.y() < 0 ? static_cast<QWidget *>(strip) : tree->viewport(); }
    QPoint Local(QWidget *widget, QPoint client) const
    {
        return widget == strip ? client + QPoint(0, header->Height()) : client;
    }
    void Send(QWidget *widget, QEvent::Type type, QPoint client, Qt::MouseButton button,
              Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const QPoint local = Local(widget, client);
        QMouseEvent event(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, held, keys);
        QCoreApplication::sendEvent(widget, &event);
    }
    void Press(QPoint client, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        target = WidgetAt(client);
        held |= button;
        Send(target, QEvent::MouseButtonPress, client, button, keys);
    }
    void Move(QPoint client)
    {
        Send(held ? target : WidgetAt(client), QEvent::MouseMove, client, Qt::NoButton);
    }
    void Release(QPoint client, Qt::MouseButton button = Qt::LeftButton)
    {
        held &= ~button;
        Send(target ? target : WidgetAt(client), QEvent::MouseButtonRelease, client, button);
        target = nullptr;
    }
    void Click(QPoint client, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(client, button);
        Release(client, button);
    }
    void DoubleClick(QPoint client, Qt::MouseButton button = Qt::LeftButton)
    {
        Click(client, button);
        target = WidgetAt(client);
        held |= button;
        Send(target, QEvent::MouseButtonDblClick, client, button);
        Release(client, button);
    }
    void Key(QWidget *widget, int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
    // Captions in display order.
    QString Order() const
    {
        QString result;
        for (TColumnIndex index : columns->PositionToIndex())
            result += columns->Items(index)->Text();
        return result;
    }
};

} // namespace headertest
