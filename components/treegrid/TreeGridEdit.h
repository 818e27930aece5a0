#pragma once

#include <QPlainTextEdit>

#include <memory>

class TStringEditLink;

// The text edit a string tree shows over a cell. One line for single-line nodes (Enter ends,
// Up and Down move like Left and Right), wrapped lines for multi-line nodes (Ctrl+Enter ends);
// Escape cancels; leaving the control ends or cancels the edit as the tree's options say.
class TTGEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    TTGEdit(std::shared_ptr<TStringEditLink> link, bool multiline, QWidget *parent);

    bool Multiline() const { return FMultiline; }
    // Lets go of the link (the link ends or cancels); the control deletes itself later.
    void Release();
    // Grows a single-line edit to its text, within the tree's client width.
    void AutoAdjustSize();
    // The space between the frame and the text on the left and on the right.
    void SetTextMargin(int margin);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    std::shared_ptr<TStringEditLink> FRefLink; // keeps the link alive while the control edits
    bool FMultiline = false;
};
