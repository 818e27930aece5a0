#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "Cp1252.h"
#include "Language.h"
#include "MessageDialog.h"
#include "common/TestSupport.h"

namespace {

QStringList buttonNamesLeftToRight(const TMessageForm &form)
{
    QList<QPushButton *> buttons = form.findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    QStringList names;
    for (QPushButton *b : buttons)
        names << b->objectName();
    return names;
}

// Shows the form, sends the key and reports the result it closed with (-1: still open).
int pressKey(TMessageForm &form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    form.show();
    QTest::keyClick(&form, key, modifiers);
    return form.isVisible() ? -1 : form.result();
}

class MessageDialogTest : public ::testing::Test
{
protected:
    void TearDown() override { Language::SetLanguagefile(QStringLiteral("/nonexistent/none.lng")); }
};

} // namespace

TEST_F(MessageDialogTest, ButtonsFollowTheFixedOrderWithDefaultAndEscapeRules)
{
    auto form = CreateMessageDialog("Save changes?", mtConfirmation, {mbCancel, mbNo, mbYes});
    EXPECT_EQ(buttonNamesLeftToRight(*form), (QStringList{"Yes", "No", "Cancel"}));
    EXPECT_EQ(form->windowTitle(), "Confirm");
    EXPECT_EQ(form->DefaultButton(), form->Button(mbYes));
    EXPECT_TRUE(form->Button(mbYes)->isDefault());
    EXPECT_EQ(pressKey(*form, Qt::Key_Escape), mrCancel);

    form = CreateMessageDialog("Save changes?", mtConfirmation, {mbYes, mbNo});
    EXPECT_EQ(pressKey(*form, Qt::Key_Escape), mrNo);
    form = CreateMessageDialog("Go on?", mtConfirmation, {mbYes, mbNo});
    form->show();
    EXPECT_EQ(form->focusWidget(), form->Button(mbYes));
    EXPECT_EQ(pressKey(*form, Qt::Key_Return), mrYes); // Enter presses the default button

    form = CreateMessageDialog("Done.", mtInformation, {mbOK});
    EXPECT_EQ(form->DefaultButton(), form->Button(mbOK));
    EXPECT_EQ(pressKey(*form, Qt::Key_Escape), mrOk);

    // No cancel button: Escape does nothing; the close box still answers Cancel.
    form = CreateMessageDialog("Disk error", mtError, {mbIgnore, mbRetry, mbAbort});
    EXPECT_EQ(buttonNamesLeftToRight(*form), (QStringList{"Abort", "Retry", "Ignore"}));
    EXPECT_EQ(form->DefaultButton(), form->Button(mbRetry));
    EXPECT_EQ(form->CancelButton(), nullptr);
    EXPECT_EQ(pressKey(*form, Qt::Key_Escape), -1);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), mrCancel);

    // Every kind, with its name, caption and result.
    form = CreateMessageDialog("All of them", mtWarning,
                               {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                                mbYesToAll, mbHelp, mbClose});
    EXPECT_EQ(buttonNamesLeftToRight(*form), (QStringList{"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
                                                          "All", "NoToAll", "YesToAll", "Help", "Close"}));
    EXPECT_EQ(form->Button(mbNoToAll)->text(), "No to all");
    EXPECT_EQ(form->Button(mbYesToAll)->text(), "Yes to all");
    const int results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll};
    for (int kind = mbYes; kind <= mbYesToAll; ++kind) {
        form->show();
        form->Button(TMsgDlgBtn(kind))->click();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), results[kind]) << kind;
    }
    form->show();
    form->Button(mbHelp)->click(); // no help file: the dialog stays
    EXPECT_TRUE(form->isVisible());
    form->Button(mbClose)->click();
    EXPECT_EQ(form->result(), mrClose);
}

TEST_F(MessageDialogTest, LayoutFollowsTheCharacterSize)
{
    auto form = CreateMessageDialog("Short", mtInformation, {mbYes, mbNo, mbCancel});
    const QSize ave = form->AveCharSize();
    const int cx = ave.width(), cy = ave.height();
    ASSERT_GT(cx, 0);
    const int hMargin = 8 * cx / 4, vMargin = 8 * cy / 8, hSpacing = 10 * cx / 4, vSpacing = 10 * cy / 8;
    const int buttonWidth = form->Button(mbYes)->width();
    EXPECT_GE(buttonWidth, 50 * cx / 4);
    EXPECT_EQ(form->Button(mbYes)->height(), 14 * cy / 8);
    EXPECT_EQ(form->Button(mbNo)->x() - form->Button(mbYes)->x(), buttonWidth + 4 * cx / 4);

    // A one-word message still leaves room for all buttons, centred.
    const int group = 3 * buttonWidth + 2 * (4 * cx / 4);
    EXPECT_EQ(form->width(), std::max(group, form->Message()->width() + 32 + hSpacing) + 2 * hMargin);
    EXPECT_EQ(form->Button(mbYes)->x(), (form->width() - group) / 2);
    const QLabel *image = form->findChild<QLabel *>("Image");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), QRect(hMargin, vMargin, 32, 32));
    EXPECT_EQ(form->Message()->x(), hMargin + 32 + hSpacing);
    EXPECT_EQ(form->Message()->y(), vMargin);
    const int textBlock = std::max(32, form->Message()->height());
    EXPECT_EQ(form->Button(mbYes)->y(), textBlock + vMargin + vSpacing);
    EXPECT_EQ(form->height(), textBlock + 14 * cy / 8 + vSpacing + 2 * vMargin);

    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->x(), screen.width() / 2 - form->width() / 2);
    EXPECT_EQ(form->y(), screen.height() / 2 - form->height() / 2);

    // A long message wraps within half the screen width; line breaks of any kind start lines.
    QString longText;
    for (int i = 0; i < 200; ++i)
        longText += QStringLiteral("word%1 ").arg(i);
    form = CreateMessageDialog(longText, mtWarning, {mbOK});
    EXPECT_LE(form->Message()->width(), screen.width() / 2);
    EXPECT_GT(form->Message()->height(), 4 * cy);
    form = CreateMessageDialog("one\rtwo\r\nthree", mtWarning, {mbOK});
    EXPECT_EQ(form->Message()->text(), "one\ntwo\nthree");
    EXPECT_GE(form->Message()->height(), 3 * QFontMetrics(form->font()).lineSpacing() - 2);

    // The custom type has the application's title and no icon.
    form = CreateMessageDialog("Plain", mtCustom, {mbOK});
    EXPECT_EQ(form->windowTitle(), QGuiApplication::applicationDisplayName());
    EXPECT_EQ(form->findChild<QLabel *>("Image"), nullptr);
    EXPECT_EQ(form->Message()->x(), hMargin);
}

TEST_F(MessageDialogTest, CtrlCCopiesTheWholeBoxAsText)
{
    const QString divider = QString(27, u'-') + "\r\n";
    auto form = CreateMessageDialog("Saved.", mtInformation, {mbOK});
    QGuiApplication::clipboard()->setText("old");
    EXPECT_EQ(pressKey(*form, Qt::Key_C, Qt::ControlModifier), -1); // stays open
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              divider + "Information\r\n" + divider + "Saved.\r\n" + divider + "OK   \r\n" + divider);

    // Other modifiers do not copy.
    QGuiApplication::clipboard()->setText("old");
    pressKey(*form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "old");
    form->close();

    // Translated captions, with their mnemonic markers removed.
    QTemporaryDir dir;
    const QString file = dir.filePath("de.lng");
    ASSERT_TRUE(testsupport::writeFile(file, platform::toCp1252(QString::fromUtf8(
                                                 "[translated]\r\nYes=&Ja\r\nNo=&Nein\r\nConfirm=Bestätigen\r\n"))));
    Language::SetLanguagefile(file);
    form = CreateMessageDialog("Delete?", mtConfirmation, {mbYes, mbNo});
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Bestätigen"));
    EXPECT_EQ(form->Button(mbYes)->text(), "&Ja");
    EXPECT_EQ(form->GetFormText(), divider + QString::fromUtf8("Bestätigen\r\n") + divider + "Delete?\r\n" + divider
                                       + "Ja   Nein   \r\n" + divider);
}

TEST_F(MessageDialogTest, MessageDlgRunsModallyAndReturnsTheButton)
{
    QTimer::singleShot(0, [] {
        auto *form = qobject_cast<TMessageForm *>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Message()->text(), "Keep existing sort?");
        form->Button(mbNo)->click();
    });
    EXPECT_EQ(MessageDlg("Keep existing sort?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);

    QTimer::singleShot(0, [] {
        auto *form = qobject_cast<TMessageForm *>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->pos(), QPoint(10, 20));
        QTest::keyClick(form, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageDlgPosHelp("Positioned", mtWarning, {mbOK, mbCancel}, 0, 10, 20), mrCancel);
}
