#include "CommaText.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QListView>

#include <stdexcept>
#include <string>

#include "Helper.h"

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';

// NUL counts as white space too: an item never stops on it without moving on.
bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

bool needsQuotes(const QString &item)
{
    for (const QChar c : item) {
        if (isBlank(c) || c == kQuote || c == kComma)
            return true;
    }
    return false;
}

[[noreturn]] void indexError(int index)
{
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

// Sets items[index], appending empty items until the index exists.
void setPadded(QStringList &items, int index, const QString &value)
{
    if (index < 0)
        indexError(index);
    while (items.size() <= index)
        items.append(QString());
    items[index] = value;
}

// The entry of a list box row: the shown column of a list view, else the first column.
QModelIndex entryIndex(const QAbstractItemView *view, int row)
{
    int column = 0;
    if (const auto *listView = qobject_cast<const QListView *>(view))
        column = listView->modelColumn();
    return view->model()->index(row, column, view->rootIndex());
}

} // namespace

QString CommaTextOf(const QStringList &items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QString result;
    for (qsizetype n = 0; n < items.size(); ++n) {
        if (n > 0)
            result += kComma;
        const QString &item = items[n];
        if (needsQuotes(item)) {
            result += kQuote;
            for (const QChar c : item) {
                if (c == kQuote)
                    result += kQuote;
                result += c;
            }
            result += kQuote;
        } else {
            result += item;
        }
    }
    return result;
}

QStringList ParseCommaText(const QString &text)
{
    QStringList items;
    const qsizetype size = text.size();
    qsizetype p = 0;
    while (p < size && isBlank(text[p]))
        ++p;
    while (p < size) {
        QString item;
        if (text[p] == kQuote) {
            ++p;
            while (p < size) {
                if (text[p] == kQuote) {
                    if (p + 1 < size && text[p + 1] == kQuote) {
                        item += kQuote;
                        p += 2;
                        continue;
                    }
                    ++p; // the closing quote
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype from = p;
            while (p < size && !isBlank(text[p]) && text[p] != kComma)
                ++p;
            item = text.mid(from, p - from);
        }
        items.append(item);
        while (p < size && isBlank(text[p]))
            ++p;
        if (p < size && text[p] == kComma) {
            if (p + 1 == size)
                items.append(QString());
            ++p;
            while (p < size && isBlank(text[p]))
                ++p;
        }
    }
    return items;
}

QString AddToCommaText(const QString &commaText, const QString &item)
{
    QStringList items = ParseCommaText(commaText);
    items.append(item);
    return CommaTextOf(items);
}

TCommaText::TCommaText(const QStringList &strings)
{
    FromStrings(strings);
}

TCommaText::TCommaText(const QString &commaText)
{
    FromCommaText(commaText);
}

PCommaText TCommaText::Create()
{
    return std::make_shared<TCommaText>();
}

PCommaText TCommaText::Create(const QStringList &strings)
{
    return std::make_shared<TCommaText>(strings);
}

PCommaText TCommaText::Create(const QString &commaText)
{
    return std::make_shared<TCommaText>(commaText);
}

int TCommaText::Count() const
{
    return int(FStringList.size());
}

int TCommaText::Count(int i) const
{
    return int(ParseCommaText(Item(i)).size());
}

int TCommaText::Count(int i, int j) const
{
    return int(ParseCommaText(Item(i, j)).size());
}

int TCommaText::IndexOf(const QString &s) const
{
    for (qsizetype n = 0; n < FStringList.size(); ++n) {
        if (SameText(FStringList[n], s))
            return int(n);
    }
    return -1;
}

QString TCommaText::Item(int i) const
{
    return FStringList.value(i);
}

QString TCommaText::Item(int i, int j) const
{
    return ParseCommaText(Item(i)).value(j);
}

QString TCommaText::Item(int i, int j, int k) const
{
    return ParseCommaText(Item(i, j)).value(k);
}

void TCommaText::Add(const QString &s)
{
    FStringList.append(s);
}

void TCommaText::Insert(int i, const QString &s)
{
    if (i < 0 || i > FStringList.size())
        indexError(i);
    FStringList.insert(i, s);
}

void TCommaText::Delete(int i)
{
    if (i < 0 || i >= FStringList.size())
        indexError(i);
    FStringList.removeAt(i);
}

void TCommaText::SetItem(int i, const QString &s)
{
    setPadded(FStringList, i, s);
}

void TCommaText::SetItem(int i, int j, const QString &s)
{
    if (i < 0)
        indexError(i);
    QStringList inner = ParseCommaText(Item(i));
    setPadded(inner, j, s);
    setPadded(FStringList, i, CommaTextOf(inner));
}

void TCommaText::SetItem(int i, int j, int k, const QString &s)
{
    if (i < 0)
        indexError(i);
    if (j < 0)
        indexError(j);
    QStringList middle = ParseCommaText(Item(i));
    QStringList inner = ParseCommaText(middle.value(j));
    setPadded(inner, k, s);
    setPadded(middle, j, CommaTextOf(inner));
    setPadded(FStringList, i, CommaTextOf(middle));
}

QString TCommaText::AsString() const
{
    return CommaTextOf(FStringList);
}

void TCommaText::Clear()
{
    FStringList.clear();
}

void TCommaText::ToSelection(QAbstractItemView *listBox) const
{
    if (!listBox || !listBox->model() || !listBox->selectionModel())
        return;
    QItemSelectionModel *selection = listBox->selectionModel();
    const int rows = listBox->model()->rowCount(listBox->rootIndex());
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = entryIndex(listBox, row);
        const bool wanted = IndexOf(index.data(Qt::DisplayRole).toString()) >= 0;
        selection->select(index, wanted ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    }
}

void TCommaText::FromArray(std::initializer_list<QString> items)
{
    FStringList = QStringList(items);
}

void TCommaText::FromStrings(const QStringList &strings)
{
    FStringList = strings;
}

void TCommaText::FromCommaText(const QString &s)
{
    FStringList = ParseCommaText(s);
}

void TCommaText::FromSelection(const QAbstractItemView *listBox)
{
    FStringList.clear();
    if (!listBox || !listBox->model() || !listBox->selectionModel())
        return;
    const QItemSelectionModel *selection = listBox->selectionModel();
    const int rows = listBox->model()->rowCount(listBox->rootIndex());
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = entryIndex(listBox, row);
        if (selection->isSelected(index))
            FStringList.append(index.data(Qt::DisplayRole).toString());
    }
}

QStringList TCommaText::Strings() const
{
    return FStringList;
}
