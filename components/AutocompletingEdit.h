#pragma once

#include <QLineEdit>
#include <QStringList>

// An edit that completes the typed text inline from a sorted list of candidates.
class TAutocompletingEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TAutocompletingEdit(QWidget *parent = nullptr);

    // The candidates, kept sorted in the user's locale.
    const QStringList &Items() const { return FItems; }
    void SetItems(const QStringList &items);

    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);

    bool AutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value) { FAutoComplete = value; }
    bool AutoCompleted() const { return FAutoCompleted; }
    bool LimitToList() const { return FLimitToList; }
    void SetLimitToList(bool value) { FLimitToList = value; }

    // Sets the text; with LimitToList a text that starts no candidate clears the edit.
    void SetText(const QString &text);
    // Empties the text and the candidate list.
    void Clear();

    // The first candidate (in sorted order) that starts with prefix, or -1.
    int FindPrefix(const QString &prefix) const;

signals:
    void OnChange();
    void OnExit();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    virtual void DoExit();

private:
    // Completes the candidate; returns whether the key was consumed.
    bool Complete(QString candidate, bool fromTyping);

    QStringList FItems;
    int FItemIndex = -1;
    bool FAutoComplete = true;
    bool FAutoCompleted = false;
    bool FLimitToList = false;
};
