// Whatever moves columns (hiding, showing, moving, widening them, by the interface, the mouse or
// the header's menu) leaves on screen what a full paint of the header and the rows draws.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>

#include <functional>

#include "TreeGridHeaderTestSupport.h"
#include "common/RepaintCheck.h"

using namespace headertest;

namespace {

struct TChange {
    const char *name;
    std::function<void()> apply;
};

void Toggle(TTreeGridColumn *column, TTGColumnOption option, bool on)
{
    TTGColumnOptions options = column->Options();
    if (on)
        options += TTGColumnOptions{option};
    else
        options -= TTGColumnOptions{option};
    column->SetOptions(options);
}

TEST(TreeGridHeaderRepaintTest, EveryChangeThatMovesColumnsRepaintsWhatMoved)
{
    THeaderFixture f({150, 120, 130, 100, 140}, QSize(400, 200));
    const char *captions[] = {"Name", "Number", "Long", "Gamma", "Delta"};
    for (int i = 0; i < 5; ++i)
        f.columns->Items(i)->SetText(QString::fromLatin1(captions[i]));
    f.header->SetOptions(f.header->Options() + hoDrag);
    f.tree->SetKeys({1, 2, 3, 4, 5, 6});
    f.tree->TreeOptions().SetPaintOptions(f.tree->TreeOptions().PaintOptions() + toShowVertGridLines);

    // The header's menu shows or hides a column, as a program's column menu does.
    QMenu menu;
    f.tree->OnGetPopupMenu = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, QPoint, bool &, QMenu *&m) {
        menu.clear();
        for (int i = 0; i < f.columns->Count(); ++i) {
            TTreeGridColumn *column = f.columns->Items(i);
            QAction *action = menu.addAction(column->Text());
            action->setCheckable(true);
            action->setChecked(column->Options().contains(coVisible));
            QObject::connect(action, &QAction::toggled, &menu, [column](bool on) { Toggle(column, coVisible, on); });
        }
        m = &menu;
    };
    auto untickInMenu = [&](const QString &caption) {
        f.Click(QPoint(20, -10), Qt::RightButton);
        ASSERT_TRUE(menu.isVisible());
        for (QAction *action : menu.actions())
            if (action->text() == caption)
                QTest::mouseClick(&menu, Qt::LeftButton, Qt::NoModifier, menu.actionGeometry(action).center());
        menu.hide();
    };
    // The middle of a column's header cell as the strip shows it, in tree client coordinates.
    auto cell = [&](const QString &caption) {
        for (int i = 0; i < f.columns->Count(); ++i) {
            TTreeGridColumn *column = f.columns->Items(i);
            if (column->Text() == caption)
                return QPoint(column->Left() + column->Width() / 2, -10);
        }
        return QPoint();
    };
    auto column = [&](const QString &caption) {
        for (int i = 0; i < f.columns->Count(); ++i)
            if (f.columns->Items(i)->Text() == caption)
                return f.columns->Items(i);
        return static_cast<TTreeGridColumn *>(nullptr);
    };

    auto first = [&] { return f.columns->Items(f.columns->ColumnFromPosition(TColumnPosition(0))); };

    const std::vector<TChange> changes = {
        {"hide Long by its options", [&] { Toggle(column("Long"), coVisible, false); }},
        {"show Long by its options", [&] { Toggle(column("Long"), coVisible, true); }},
        {"move Gamma to the front", [&] { column("Gamma")->SetPosition(0); }},
        {"move Gamma back", [&] { column("Gamma")->SetPosition(3); }},
        {"untick Number in the header menu", [&] { untickInMenu(QStringLiteral("Number")); }},
        {"tick Number in the header menu", [&] { untickInMenu(QStringLiteral("Number")); }},
        {"widen Name", [&] { column("Name")->SetWidth(130); }},
        {"raise the minimum width of Number", [&] { column("Number")->SetMinWidth(120); }},
        {"narrow Name by its border",
         [&] {
             const TTreeGridColumn *name = column("Name");
             const QPoint border(name->Left() + name->Width(), -5);
             f.Press(border);
             f.Move(border - QPoint(40, 0));
             f.Release(border - QPoint(40, 0));
         }},
        {"drag Delta to the front",
         [&] {
             f.tree->SetOffsetX(-1000000);
             const QPoint from = cell(QStringLiteral("Delta"));
             f.Press(from);
             f.Move(from - QPoint(QApplication::startDragDistance() + 5, 0));
             f.Move(QPoint(5, -10));
             f.Release(QPoint(5, -10));
         }},
        {"renumber Delta", [&] { column("Delta")->SetIndex(4); }},
        {"fix the first column while scrolled sideways", [&] { Toggle(first(), coFixed, true); }},
        {"hide the fixed column", [&] { Toggle(first(), coVisible, false); }},
        {"hide two columns in one update",
         [&] {
             f.columns->BeginUpdate();
             Toggle(column("Gamma"), coVisible, false);
             Toggle(column("Long"), coVisible, false);
             f.columns->EndUpdate();
         }},
        {"show them inside an update of the tree",
         [&] {
             f.tree->BeginUpdate();
             Toggle(column("Gamma"), coVisible, true);
             Toggle(column("Long"), coVisible, true);
             f.tree->EndUpdate();
         }},
        {"add a column",
         [&] {
             TTreeGridColumn *added = f.columns->Add();
             added->SetText(QStringLiteral("Added"));
             added->SetPosition(1);
         }},
        {"delete a middle column", [&] { f.columns->Delete(column("Number")->Index()); }},
        {"let the second column take the rest",
         [&] {
             f.header->SetAutoSizeIndex(f.columns->ColumnFromPosition(TColumnPosition(1)));
             f.header->SetOptions(f.header->Options() + hoAutoResize);
         }},
        {"hide a column left of the one taking the rest", [&] { Toggle(first(), coVisible, false); }},
        {"rename a column", [&] { column("Gamma")->SetText(QStringLiteral("Gamma ray")); }},
    };

    testsupport::TRepaintCheck check;
    check.Watch(f.strip);
    check.Watch(f.tree->viewport());
    ASSERT_TRUE(check.Check(QStringLiteral("start")));
    for (const TChange &change : changes) {
        change.apply();
        check.Check(QString::fromLatin1(change.name));
    }
}

} // namespace
