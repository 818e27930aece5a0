#pragma once

#include <QDialog>
#include <QString>

#include <initializer_list>
#include <memory>

class QLabel;
class QPushButton;

// The program's own message box: an icon, the word-wrapped message and a row of buttons,
// laid out from the average character size of the message font. Button captions and the
// title pass through Translate, so questions appear in the user's language. Ctrl+C copies
// the whole box as text.

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// In the order the buttons are laid out, left to right.
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };

// A set of buttons, e.g. {mbYes, mbNo, mbCancel}.
class TMsgDlgButtons
{
public:
    TMsgDlgButtons() = default;
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons)
    {
        for (const TMsgDlgBtn b : buttons)
            FBits |= 1u << b;
    }
    bool contains(TMsgDlgBtn b) const { return (FBits & (1u << b)) != 0; }
    TMsgDlgButtons &operator<<(TMsgDlgBtn b)
    {
        FBits |= 1u << b;
        return *this;
    }

private:
    unsigned FBits = 0;
};

// Modal results of the buttons; the close box gives mrCancel.
enum : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
    mrClose = 11,
};

// The dialog window: the label "Message", the image "Image" when the type has an icon,
// and one push button per kind, named after it ("Yes", "No", "OK", "NoToAll" ...).
class TMessageForm : public QDialog
{
    Q_OBJECT

public:
    // An empty dialog with the message font (CreateNew).
    explicit TMessageForm(QWidget *owner = nullptr);
    ~TMessageForm() override;

    // The box as text: dividers, title, message and button captions, CR LF line ends.
    QString GetFormText() const;
    // Puts text on the clipboard as plain text.
    static void WriteToClipBoard(const QString &text);

    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int context) { FHelpContext = context; }

    QLabel *Message() const { return FMessage; }
    QPushButton *Button(TMsgDlgBtn kind) const { return FButtons[kind]; }
    // The button Enter presses, and the one Escape presses (null when Escape does nothing).
    QPushButton *DefaultButton() const { return FDefault; }
    QPushButton *CancelButton() const { return FCancel; }

    // The average character size of the letters A..Z, a..z in the dialog font.
    QSize AveCharSize() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The close box (and anything else that rejects) answers mrCancel.
    void reject() override;
    // No help file exists; the Help button keeps the dialog open and does nothing else.
    virtual void HelpButtonClick();

private:
    friend std::unique_ptr<TMessageForm> CreateMessageDialog(const QString &, TMsgDlgType, TMsgDlgButtons);
    // Ctrl+C with no other modifier copies the box; true when the key was taken.
    bool CustomKeyDown(QKeyEvent *event);

    QLabel *FMessage = nullptr;
    QLabel *FImage = nullptr;
    QPushButton *FButtons[mbClose + 1] = {};
    QPushButton *FDefault = nullptr;
    QPushButton *FCancel = nullptr;
    QString FMessageText;
    int FHelpContext = 0;
};

// Builds the dialog, centred on the screen, without showing it.
std::unique_ptr<TMessageForm> CreateMessageDialog(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons);

// Shows the message modally, centred on the screen, and returns the result of the button
// pressed. The message is shown as given (callers translate it); line breaks in it (CR LF,
// CR or LF) start new lines.
int MessageDlg(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpContext = 0);
// The same at a position: x >= 0 sets the left edge, y >= 0 the top edge.
int MessageDlgPosHelp(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpContext, int x, int y,
                      const QString &helpFileName = QString());
