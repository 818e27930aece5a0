#include "table/FilterEvaluator.h"

#include <QLocale>

#include <utility>

#include "CommaText.h"
#include "Language.h"
#include "Wildcard.h"

TFilterEvaluator::TFilterEvaluator(const TFilterParams &params, TDateParser parseDate, TShownText shown)
    : FSubType(params.FilterSubType)
    , FParseDate(std::move(parseDate))
    , FShown(std::move(shown))
{
    switch (params.FilterType) {
    case ftNone:
        FKind = kNone;
        break;
    case ftDate:
        FKind = params.FilterSubType <= fsFromTo ? kDate : kFail;
        FDate1 = ReadDate(params.Text1);
        FDate2 = ReadDate(params.text2);
        break;
    case ftList: {
        FKind = kList;
        const QLocale locale;
        for (const QString &item : ParseCommaText(params.Text1)) {
            FFolded.insert(item.toCaseFolded());
            FLower.insert(locale.toLower(item));
        }
        break;
    }
    case ftText:
        FKind = params.FilterSubType == fsText ? kText : params.FilterSubType == fsEmpty ? kEmpty : kFail;
        FPattern = params.Text1;
        break;
    case ftNumber:
        FKind = params.FilterSubType <= fsFromTo ? kNumber : kFail;
        // "from ... to" needs both operands, the others only the first.
        FNumbersOk = ReadInteger(params.Text1, FNumber1)
                     && (params.FilterSubType != fsFromTo || ReadInteger(params.text2, FNumber2));
        break;
    default:
        FKind = kFail;
        break;
    }
}

bool TFilterEvaluator::ReadInteger(const QString &text, qint32 &value)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

TDateTime TFilterEvaluator::ReadDate(const QString &text) const
{
    return FParseDate ? FParseDate(text) : 0;
}

bool TFilterEvaluator::Passes(const QString &value) const
{
    switch (FKind) {
    case kNone:
        return true;
    case kFail:
        return false;
    case kEmpty:
        return value.isEmpty();
    default:
        break;
    }
    const auto found = FAnswers.constFind(value);
    if (found != FAnswers.constEnd())
        return found.value();
    const bool answer = Test(value);
    FAnswers.insert(value, answer);
    return answer;
}

bool TFilterEvaluator::Test(const QString &value) const
{
    switch (FKind) {
    case kNone:
        return true;
    case kFail:
        return false;
    case kDate: {
        const TDateTime date = ReadDate(value);
        switch (FSubType) {
        case fsSmaller:
            return date <= FDate1;
        case fsGreater:
            return date >= FDate1;
        case fsEquals:
            return date == FDate1;
        case fsFromTo:
            return FDate1 <= date && date <= FDate2;
        default:
            return false;
        }
    }
    case kList:
    case kText:
        return TestText(value) || (FShown && TestText(FShown(value)));
    case kEmpty:
        return value.isEmpty();
    case kNumber: {
        qint32 number = 0;
        if (!FNumbersOk || !ReadInteger(value, number))
            return false;
        switch (FSubType) {
        case fsSmaller:
            return number < FNumber1;
        case fsGreater:
            return number > FNumber1;
        case fsEquals:
            return number == FNumber1;
        case fsFromTo:
            return FNumber1 < number && number < FNumber2;
        default:
            return false;
        }
    }
    }
    return false;
}

bool TFilterEvaluator::TestText(const QString &value) const
{
    if (FKind == kList)
        return FFolded.contains(value.toCaseFolded()) || FLower.contains(QLocale().toLower(value));
    return WildcardMatch(value, FPattern, false);
}

QString TFilterEvaluator::Description(const TFilterParams &params)
{
    const QString &t1 = params.Text1;
    const QString &t2 = params.text2;
    switch (params.FilterType) {
    case ftDate:
        switch (params.FilterSubType) {
        case fsSmaller:
            return Translate(QStringLiteral("[before %s]"), {t1});
        case fsGreater:
            return Translate(QStringLiteral("[after %s]"), {t1});
        case fsEquals:
            return Translate(QStringLiteral("[on %s]"), {t1});
        case fsFromTo:
            return Translate(QStringLiteral("[from %s till %s]"), {t1, t2});
        default:
            return QString();
        }
    case ftList:
        return QStringLiteral("[= ") + ParseCommaText(t1).join(QLatin1Char(',')) + QLatin1Char(']');
    case ftText:
        if (params.FilterSubType == fsText)
            return Translate(QStringLiteral("[contains %s]"), {t1});
        if (params.FilterSubType == fsEmpty)
            return Translate(QStringLiteral("[empty fields]"));
        return QString();
    case ftNumber:
        switch (params.FilterSubType) {
        case fsSmaller:
            return Translate(QStringLiteral("[smaller than %s]"), {t1});
        case fsGreater:
            return Translate(QStringLiteral("[bigger than %s]"), {t1});
        case fsEquals:
            return Translate(QStringLiteral("[= %s]"), {t1});
        case fsFromTo:
            return Translate(QStringLiteral("[from %s to %s]"), {t1, t2});
        default:
            return QString();
        }
    default:
        return QString();
    }
}
