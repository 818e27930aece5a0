#pragma once

// Comma texts: the text form of a string list that documents use for value lists, holiday
// reasons, position entries and working weeks. Items may themselves hold comma texts, so
// an item can be addressed up to three levels deep.
//
// Writing: items joined with ","; an item holding a character of code 32 or below, a double
// quote or a comma is enclosed in double quotes with inner quotes doubled; a list of exactly
// one empty item is written as "" and an empty list as the empty text.
// Reading: white space (codes 0..32) around items is skipped; unquoted blanks separate items
// like commas do ('a b,c' is three items); a comma ending the text adds an empty item.
//
// Every comma text the program writes goes through CommaTextOf, so no caller quotes by hand.

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

class QAbstractItemView;

// The one writer of comma texts.
QString CommaTextOf(const QStringList &items);
// The reader; never fails (a missing closing quote takes the rest of the text).
QStringList ParseCommaText(const QString &text);
// Parses the comma text, appends the item and returns the new comma text.
QString AddToCommaText(const QString &commaText, const QString &item);

// What callers hold. Index errors (negative SetItem index, Delete or Insert out of range)
// throw std::out_of_range; reading out of range gives empty results instead.
class ICommaText
{
public:
    virtual ~ICommaText() = default;

    virtual int Count() const = 0;
    virtual int Count(int i) const = 0;
    virtual int Count(int i, int j) const = 0;
    // First item equal to s, case-insensitive in the user's locale; -1 when none.
    virtual int IndexOf(const QString &s) const = 0;
    virtual QString Item(int i) const = 0;
    virtual QString Item(int i, int j) const = 0;
    virtual QString Item(int i, int j, int k) const = 0;
    virtual void Add(const QString &s) = 0;
    virtual void Insert(int i, const QString &s) = 0;
    virtual void Delete(int i) = 0;
    // The setters pad with empty items on every level so that the index exists.
    virtual void SetItem(int i, const QString &s) = 0;
    virtual void SetItem(int i, int j, const QString &s) = 0;
    virtual void SetItem(int i, int j, int k, const QString &s) = 0;
    virtual QString AsString() const = 0;
    virtual void Clear() = 0;
    // Selects exactly the entries of the list view whose text occurs in the list.
    virtual void ToSelection(QAbstractItemView *listBox) const = 0;
    virtual void FromArray(std::initializer_list<QString> items) = 0;
    virtual void FromStrings(const QStringList &strings) = 0;
    virtual void FromCommaText(const QString &s) = 0;
    // Takes the selected entries of the list view, in list order.
    virtual void FromSelection(const QAbstractItemView *listBox) = 0;

    virtual QStringList Strings() const = 0;
};

using PCommaText = std::shared_ptr<ICommaText>;

class TCommaText : public ICommaText
{
public:
    TCommaText() = default;
    explicit TCommaText(const QStringList &strings);
    explicit TCommaText(const QString &commaText);

    // Shared instances for callers that pass the list around.
    static PCommaText Create();
    static PCommaText Create(const QStringList &strings);
    static PCommaText Create(const QString &commaText);

    int Count() const override;
    int Count(int i) const override;
    int Count(int i, int j) const override;
    int IndexOf(const QString &s) const override;
    QString Item(int i) const override;
    QString Item(int i, int j) const override;
    QString Item(int i, int j, int k) const override;
    void Add(const QString &s) override;
    void Insert(int i, const QString &s) override;
    void Delete(int i) override;
    void SetItem(int i, const QString &s) override;
    void SetItem(int i, int j, const QString &s) override;
    void SetItem(int i, int j, int k, const QString &s) override;
    QString AsString() const override;
    void Clear() override;
    void ToSelection(QAbstractItemView *listBox) const override;
    void FromArray(std::initializer_list<QString> items) override;
    void FromStrings(const QStringList &strings) override;
    void FromCommaText(const QString &s) override;
    void FromSelection(const QAbstractItemView *listBox) override;
    QStringList Strings() const override;

private:
    QStringList FStringList;
};
