#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "AutocompletingEdit.h"
#include "CompletingComboBox.h"

#include <memory>

namespace {

QStringList Cities() { return {QStringLiteral("Bonn"), QStringLiteral("Bern"), QStringLiteral("Berlin")}; }

} // namespace

TEST(AutocompletingEdit, CompletesInlineAndContinuesOverTheSelection)
{
    TAutocompletingEdit edit;
    edit.SetItems(Cities());
    EXPECT_EQ(edit.Items(), (QStringList{"Berlin", "Bern", "Bonn"}));
    QSignalSpy changes(&edit, &TAutocompletingEdit::OnChange);

    QTest::keyClicks(&edit, QStringLiteral("Ber"));
    EXPECT_EQ(edit.text(), QStringLiteral("Berlin"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("lin"));
    EXPECT_EQ(edit.ItemIndex(), 0);
    EXPECT_TRUE(edit.AutoCompleted());

    QTest::keyClick(&edit, Qt::Key_N);
    EXPECT_EQ(edit.text(), QStringLiteral("Bern"));
    EXPECT_EQ(edit.selectedText(), QString());
    EXPECT_EQ(edit.ItemIndex(), 1);
    EXPECT_EQ(changes.count(), 4); // one per key

    // A character that starts nothing is typed normally and leaves no item.
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(edit.text(), QStringLiteral("Bernx"));
    EXPECT_EQ(edit.ItemIndex(), -1);
    // Matching is case-sensitive.
    edit.QLineEdit::clear();
    QTest::keyClicks(&edit, QStringLiteral("b"));
    EXPECT_EQ(edit.text(), QStringLiteral("b"));
    EXPECT_EQ(edit.ItemIndex(), -1);
}

TEST(AutocompletingEdit, LimitToListClearsAndBackspaceStepsBack)
{
    TAutocompletingEdit edit;
    edit.SetItems(Cities());
    edit.SetLimitToList(true);
    QTest::keyClicks(&edit, QStringLiteral("Ber"));
    ASSERT_EQ(edit.text(), QStringLiteral("Berlin"));
    // Backspace removes the completed rest and selects from one character back.
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("Ber"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("r"));
    QTest::keyClick(&edit, Qt::Key_R);
    EXPECT_EQ(edit.text(), QStringLiteral("Berlin"));

    QTest::keyClick(&edit, Qt::Key_Z); // "Berz" starts no item
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.ItemIndex(), -1);

    edit.SetText(QStringLiteral("Bo"));
    EXPECT_EQ(edit.text(), QStringLiteral("Bonn"));
    EXPECT_EQ(edit.ItemIndex(), 2);
    edit.SetText(QStringLiteral("Paris"));
    EXPECT_EQ(edit.text(), QString());
    // Without the limit any text stays.
    edit.SetLimitToList(false);
    edit.SetText(QStringLiteral("Paris"));
    EXPECT_EQ(edit.text(), QStringLiteral("Paris"));
}

TEST(AutocompletingEdit, ItemIndexClearAndExit)
{
    TAutocompletingEdit edit;
    edit.SetItems(Cities());
    edit.SetItemIndex(2);
    EXPECT_EQ(edit.text(), QStringLiteral("Bonn"));
    edit.SetItemIndex(7);
    EXPECT_EQ(edit.ItemIndex(), -1);
    EXPECT_EQ(edit.text(), QString());

    QSignalSpy changes(&edit, &TAutocompletingEdit::OnChange);
    QSignalSpy exits(&edit, &TAutocompletingEdit::OnExit);
    QTest::keyClicks(&edit, QStringLiteral("Bo"));
    const int before = changes.count();
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(&edit, &out);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(changes.count(), before + 1); // the completed text is reported once more
    EXPECT_FALSE(edit.AutoCompleted());

    edit.Clear();
    EXPECT_TRUE(edit.Items().isEmpty());
    EXPECT_EQ(edit.text(), QString());
}

TEST(AutocompletingEdit, LocaleSortingNeverHidesAMatch)
{
    // Collation may ignore punctuation; the scan still finds the prefix.
    TAutocompletingEdit edit;
    edit.SetItems({QStringLiteral("ab"), QStringLiteral("a-b"), QStringLiteral("a-c"), QStringLiteral("ac")});
    EXPECT_GE(edit.FindPrefix(QStringLiteral("a-")), 0);
    EXPECT_EQ(edit.Items().at(edit.FindPrefix(QStringLiteral("a-c"))), QStringLiteral("a-c"));
    QTest::keyClicks(&edit, QStringLiteral("a-"));
    EXPECT_TRUE(edit.text().startsWith(QStringLiteral("a-")));
    EXPECT_EQ(edit.text().size(), 3);
}

TEST(CompletingComboBox, CompletesCaseInsensitivelyAndSelectsTheRest)
{
    TCompletingComboBox box;
    box.addItems(Cities());
    box.setCurrentIndex(-1);
    ASSERT_EQ(box.completer(), nullptr);
    QSignalSpy changes(&box, &TCompletingComboBox::OnChange);

    // Items in their own order: Bonn, Bern, Berlin; each released key completes anew.
    QTest::keyClicks(box.lineEdit(), QStringLiteral("ber"));
    EXPECT_EQ(box.currentIndex(), 1);
    EXPECT_EQ(box.lineEdit()->text(), QStringLiteral("Bern"));
    EXPECT_EQ(box.lineEdit()->selectedText(), QStringLiteral("n"));
    QTest::keyClicks(box.lineEdit(), QStringLiteral("l"));
    EXPECT_EQ(box.currentIndex(), 2);
    EXPECT_EQ(box.lineEdit()->text(), QStringLiteral("Berlin"));
    EXPECT_EQ(box.lineEdit()->selectedText(), QStringLiteral("in"));
    EXPECT_GT(changes.count(), 0);

    // Backspace does not complete again.
    QTest::keyClick(box.lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(box.lineEdit()->text(), QStringLiteral("Berl"));

    box.SetTextCompletion(false);
    box.lineEdit()->clear();
    QTest::keyClicks(box.lineEdit(), QStringLiteral("Bo"));
    EXPECT_EQ(box.lineEdit()->text(), QStringLiteral("Bo"));
}

namespace {

// A box in a shown, active window with the keyboard focus, as the user finds it.
struct FocusedCompletingComboBox : ::testing::Test {
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(240, 60);
        box = new TCompletingComboBox(window.get());
        box->setGeometry(10, 10, 200, 28);
        box->addItems({QStringLiteral("Apple"), QStringLiteral("Apricot"), QStringLiteral("Banana")});
        box->setCurrentIndex(-1);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        box->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), box);
    }
    // Keys go where Qt sends them: to the widget that has the focus.
    static void Type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }

    std::unique_ptr<QWidget> window;
    TCompletingComboBox *box = nullptr;
};

} // namespace

TEST_F(FocusedCompletingComboBox, KeysTypedIntoTheFocusedBoxComplete)
{
    QSignalSpy changes(box, &TCompletingComboBox::OnChange);
    Type(QStringLiteral("Ap"));
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Apple"));
    EXPECT_EQ(box->lineEdit()->selectedText(), QStringLiteral("ple"));
    EXPECT_GT(changes.count(), 0);

    // Typing goes on over the completed rest.
    Type(QStringLiteral("r"));
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Apricot"));
    EXPECT_EQ(box->lineEdit()->selectedText(), QStringLiteral("icot"));

    // Backspace removes the completed rest and does not complete again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Apr"));
    EXPECT_FALSE(box->lineEdit()->hasSelectedText());

    // A text that starts no item stays as typed.
    Type(QStringLiteral("x"));
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Aprx"));
    EXPECT_EQ(box->lineEdit()->selectedText(), QString());
}

TEST_F(FocusedCompletingComboBox, OneCompletionPerKeyAndNoneWhenSwitchedOff)
{
    // Each released key completes once: the change is reported once per completing key.
    QSignalSpy changes(box, &TCompletingComboBox::OnChange);
    QTest::keyPress(box, Qt::Key_B, Qt::NoModifier);
    const int afterPress = changes.count();
    QTest::keyRelease(box, Qt::Key_B, Qt::NoModifier);
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Banana"));
    EXPECT_EQ(changes.count(), afterPress + 1);

    box->lineEdit()->clear();
    box->SetTextCompletion(false);
    Type(QStringLiteral("Ap"));
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Ap"));
    EXPECT_FALSE(box->lineEdit()->hasSelectedText());
}

namespace {

// A key typed at a time of the window system (milliseconds), delivered to the focused widget.
void TypeAt(const QString &text, ulong time)
{
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, text == QStringLiteral(" ") ? Qt::Key_Space : Qt::Key_unknown, Qt::NoModifier, text);
        event.setTimestamp(time);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
}

} // namespace

// A drop-down list takes what is typed as the start of an entry, blanks included, and never
// opens for a blank; a pause between two keys starts a new search.
TEST_F(FocusedCompletingComboBox, TypingIntoADropDownListPicksTheEntryThatStartsSo)
{
    box->SetEditable(false);
    box->clear();
    box->addItems({QStringLiteral("Done"), QStringLiteral("In review"), QStringLiteral("In progress")});
    box->setCurrentIndex(0);
    box->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), box);
    QSignalSpy changes(box, &TCompletingComboBox::OnChange);

    ulong time = 5000;
    for (const QChar c : QStringLiteral("in p"))
        TypeAt(QString(c), time += 120);
    EXPECT_EQ(box->currentText(), QStringLiteral("In progress"));
    EXPECT_FALSE(box->view()->isVisible());
    EXPECT_EQ(changes.count(), 2); // "In review", then "In progress"
    // Later keys that still fit change nothing; one that fits no entry neither.
    TypeAt(QStringLiteral("r"), time += 120);
    TypeAt(QStringLiteral("x"), time += 120);
    EXPECT_EQ(box->currentText(), QStringLiteral("In progress"));
    EXPECT_EQ(changes.count(), 2);

    // After a pause the search starts anew.
    TypeAt(QStringLiteral("d"), time += 2000);
    EXPECT_EQ(box->currentText(), QStringLiteral("Done"));
    EXPECT_EQ(changes.count(), 3);
}
