#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>

#include "DateTime.h"
#include "core/FilterParams.h"

// One column filter made ready for many cells: the operands are read once, list items folded
// once, and each distinct cell text is tested only once per evaluator. It needs no window and
// no document: dates are read by the parser it is given (the document's own date reading).
class TFilterEvaluator
{
public:
    using TDateParser = std::function<TDateTime(const QString &)>;
    // What the table shows for a cell text, where that differs from the text (yes/no cells).
    using TShownText = std::function<QString(const QString &)>;

    // With `shown`, a text or list filter lets a cell pass by its text or by what it shows.
    TFilterEvaluator(const TFilterParams &params, TDateParser parseDate, TShownText shown = nullptr);

    // False for ftNone: such a column is skipped.
    bool Active() const { return FKind != kNone; }
    // Whether a cell text passes the filter. A combination of type and sub-type that means
    // nothing (only stored settings can hold one) lets no cell pass.
    bool Passes(const QString &value) const;

    // The text shown in the column header; empty for no filter and for a combination that
    // means nothing.
    static QString Description(const TFilterParams &params);

    // A cell text as a 32-bit integer (blanks around it allowed); false for anything else,
    // the empty text included.
    static bool ReadInteger(const QString &text, qint32 &value);

private:
    enum TKind { kNone, kFail, kDate, kList, kText, kEmpty, kNumber };

    TDateTime ReadDate(const QString &text) const;
    bool Test(const QString &value) const;
    bool TestText(const QString &value) const;

    TKind FKind = kNone;
    TFilterSubType FSubType = fsSmaller;
    TDateParser FParseDate;
    TShownText FShown;
    // Date operands.
    TDateTime FDate1 = 0;
    TDateTime FDate2 = 0;
    // Number operands; a missing one makes every test fail.
    qint32 FNumber1 = 0;
    qint32 FNumber2 = 0;
    bool FNumbersOk = false;
    // Text pattern and list items (folded for the case-blind test, and in the locale's lower case).
    QString FPattern;
    QSet<QString> FFolded;
    QSet<QString> FLower;
    // The answers for cell texts already tested: the cells of a column repeat their texts
    // (pick lists, dates), so most rows cost one lookup.
    mutable QHash<QString, bool> FAnswers;
};
