#include "MessageDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

#include "Language.h"

namespace {

struct TButtonKind
{
    const char *name;
    const char *caption;
    int result;
};

constexpr TButtonKind kButtons[mbClose + 1] = {
    {"Yes", "Yes", mrYes},       {"No", "No", mrNo},
    {"OK", "OK", mrOk},          {"Cancel", "Cancel", mrCancel},
    {"Abort", "Abort", mrAbort}, {"Retry", "Retry", mrRetry},
    {"Ignore", "Ignore", mrIgnore}, {"All", "All", mrAll},
    {"NoToAll", "No to all", mrNoToAll}, {"YesToAll", "Yes to all", mrYesToAll},
    {"Help", "Help", mrNone},    {"Close", "Close", mrClose},
};

const char *const kTitles[] = {"Warning", "Error", "Information", "Confirm"};

const QString kDivider = QString(27, u'-') + QStringLiteral("\r\n");

// Width of each button kind from its translated caption, measured once. A caption that
// changed with the language is measured again, so no caption is cut off.
struct TButtonWidth
{
    QString caption;
    int width = 0;
};
QHash<int, TButtonWidth> &buttonWidths()
{
    static QHash<int, TButtonWidth> widths;
    return widths;
}

// The caption as drawn: "&" marks the mnemonic, "&&" is one "&".
QString shownCaption(const QString &caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != u'&') {
            out += caption.at(i);
        } else if (i + 1 < caption.size() && caption.at(i + 1) == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

// Qt breaks lines at LF only.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QRect screenRect()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TMessageForm::TMessageForm(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setFont(QApplication::font("QMessageBox"));
}

TMessageForm::~TMessageForm() = default;

QSize TMessageForm::AveCharSize() const
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

QString TMessageForm::GetFormText() const
{
    QString captions;
    for (const QPushButton *button : FButtons) {
        if (button)
            captions += QString(button->text()).remove(u'&') + QStringLiteral("   ");
    }
    return kDivider + windowTitle() + QStringLiteral("\r\n") + kDivider + FMessageText + QStringLiteral("\r\n")
           + kDivider + captions + QStringLiteral("\r\n") + kDivider;
}

void TMessageForm::WriteToClipBoard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

bool TMessageForm::CustomKeyDown(QKeyEvent *event)
{
    if (event->key() != Qt::Key_C || (event->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    QApplication::beep();
    WriteToClipBoard(GetFormText());
    return true;
}

void TMessageForm::keyPressEvent(QKeyEvent *event)
{
    if (CustomKeyDown(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape presses the cancel button; without one it does nothing.
        if (FCancel)
            FCancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageForm::reject() { done(mrCancel); }

void TMessageForm::HelpButtonClick() {}

std::unique_ptr<TMessageForm> CreateMessageDialog(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons)
{
    auto form = std::make_unique<TMessageForm>();
    TMessageForm *f = form.get();
    f->FMessageText = msg;

    const QSize ave = f->AveCharSize();
    const int cx = ave.width();
    const int cy = ave.height();
    const int hMargin = 8 * cx / 4;
    const int vMargin = 8 * cy / 8;
    const int hSpacing = 10 * cx / 4;
    const int vSpacing = 10 * cy / 8;
    const int buttonSpacing = 4 * cx / 4;
    const int buttonHeight = 14 * cy / 8;
    int buttonWidth = 50 * cx / 4;

    const QFontMetrics fm(f->font());
    int buttonCount = 0;
    for (int kind = mbYes; kind <= mbClose; ++kind) {
        if (!buttons.contains(TMsgDlgBtn(kind)))
            continue;
        ++buttonCount;
        const QString caption = Translate(QString::fromLatin1(kButtons[kind].caption));
        TButtonWidth &cached = buttonWidths()[kind];
        if (cached.width == 0 || cached.caption != caption) {
            cached.caption = caption;
            cached.width = fm.horizontalAdvance(shownCaption(caption)) + 8;
        }
        buttonWidth = std::max(buttonWidth, cached.width);
    }

    // The message, wrapped within half the screen width.
    const QRect screen = screenRect();
    const QString shown = displayText(msg);
    auto *label = new QLabel(f);
    label->setObjectName(QStringLiteral("Message"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(shown);
    QRect textRect = fm.boundingRect(QRect(0, 0, screen.width() / 2, 0),
                                     Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft, shown);
    // QLabel may wrap a little differently from the measurement: never cut the text off.
    textRect.setHeight(std::max(textRect.height(), label->heightForWidth(textRect.width())));
    f->FMessage = label;

    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
    switch (dlgType) {
    case mtWarning: icon = QStyle::SP_MessageBoxWarning; break;
    case mtError: icon = QStyle::SP_MessageBoxCritical; break;
    case mtInformation: icon = QStyle::SP_MessageBoxInformation; break;
    case mtConfirmation: icon = QStyle::SP_MessageBoxQuestion; break;
    case mtCustom: break;
    }
    const bool hasIcon = icon != QStyle::SP_CustomBase;
    int textBlockWidth = textRect.width();
    int textBlockHeight = textRect.height();
    if (hasIcon) {
        textBlockWidth += 32 + hSpacing;
        textBlockHeight = std::max(textBlockHeight, 32);
    }

    const int groupWidth = buttonCount * buttonWidth + std::max(0, buttonCount - 1) * buttonSpacing;
    const int clientWidth = std::max(textBlockWidth, groupWidth) + 2 * hMargin;
    const int clientHeight = textBlockHeight + buttonHeight + vSpacing + 2 * vMargin;
    f->setFixedSize(clientWidth, clientHeight);
    f->move(screen.x() + screen.width() / 2 - clientWidth / 2, screen.y() + screen.height() / 2 - clientHeight / 2);

    const QString title = dlgType == mtCustom ? QGuiApplication::applicationDisplayName()
                                              : Translate(QString::fromLatin1(kTitles[dlgType]));
    f->setWindowTitle(title);

    const bool rightToLeft = f->layoutDirection() == Qt::RightToLeft;
    int labelLeft = hMargin;
    if (hasIcon) {
        auto *image = new QLabel(f);
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(f->style()->standardIcon(icon, nullptr, f).pixmap(32, 32));
        image->setGeometry(rightToLeft ? clientWidth - hMargin - 32 : hMargin, vMargin, 32, 32);
        f->FImage = image;
        labelLeft += 32 + hSpacing;
    }
    if (rightToLeft)
        labelLeft = clientWidth - labelLeft - textRect.width();
    label->setGeometry(labelLeft, vMargin, textRect.width(), textRect.height());

    const int defaultKind = buttons.contains(mbOK) ? mbOK : buttons.contains(mbYes) ? mbYes : mbRetry;
    const int cancelKind = buttons.contains(mbCancel) ? mbCancel : buttons.contains(mbNo) ? mbNo : mbOK;
    int x = (clientWidth - groupWidth) / 2;
    const int y = textBlockHeight + vMargin + vSpacing;
    for (int kind = mbYes; kind <= mbClose; ++kind) {
        if (!buttons.contains(TMsgDlgBtn(kind)))
            continue;
        auto *button = new QPushButton(Translate(QString::fromLatin1(kButtons[kind].caption)), f);
        button->setObjectName(QString::fromLatin1(kButtons[kind].name));
        button->setGeometry(x, y, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
        const int result = kButtons[kind].result;
        if (kind == mbHelp)
            QObject::connect(button, &QPushButton::clicked, f, &TMessageForm::HelpButtonClick);
        else
            QObject::connect(button, &QPushButton::clicked, f, [f, result] { f->done(result); });
        f->FButtons[kind] = button;
        if (kind == defaultKind) {
            button->setDefault(true);
            f->FDefault = button;
        }
        if (kind == cancelKind)
            f->FCancel = button;
    }
    if (f->FDefault)
        f->FDefault->setFocus();
    return form;
}

int MessageDlgPosHelp(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpContext, int x, int y,
                      const QString &helpFileName)
{
    Q_UNUSED(helpFileName); // there is no help file
    std::unique_ptr<TMessageForm> form = CreateMessageDialog(msg, dlgType, buttons);
    form->SetHelpContext(helpContext);
    form->setWindowModality(Qt::ApplicationModal);
    if (x >= 0)
        form->move(x, form->y());
    if (y >= 0)
        form->move(form->x(), y);
    form->setWindowTitle(Translate(form->windowTitle()));
    return form->exec();
}

int MessageDlg(const QString &msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpContext)
{
    return MessageDlgPosHelp(msg, dlgType, buttons, helpContext, -1, -1);
}
