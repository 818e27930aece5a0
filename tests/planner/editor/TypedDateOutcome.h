#pragma once

// What became of a date typed into an editor field after a road took it from its field: written
// into its row (the core's write path told its observers), named to the user in a question, or
// still standing in the field (a text that is no date, marked). Exactly one of them, or the text
// was dropped without a word.

#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "core/DocumentObserver.h"
#include "core/PlannerCore.h"

namespace typeddate {

// The outcomes a road may have.
inline const char *const Written = "written";
inline const char *const Told = "told";
inline const char *const Kept = "kept";

// The texts the road types: a date the fields read, and one they do not.
inline const QString DateText = QStringLiteral("1 Jun 2026");
inline const QString DateWritten = QStringLiteral("01.06.2026");
inline const QString NoDateText = QStringLiteral("1 Jnu 2026");

// Every cell the core writes on the user's behalf, while it watches.
class TWrites : public IDocumentObserver
{
public:
    explicit TWrites(TPlannerCore &core) : FCore(core) { core.AddObserver(*this); }
    ~TWrites() { FCore.RemoveObserver(*this); }
    TWrites(const TWrites &) = delete;
    TWrites &operator=(const TWrites &) = delete;

    void CellChanged(const QString &id, qint32, TWhichTable, int column, const QString &text) override
    {
        written.append(id + QLatin1Char('|') + QString::number(column) + QLatin1Char('|') + text);
    }
    bool Wrote(const QString &id, int column, const QString &text) const
    {
        return written.contains(id + QLatin1Char('|') + QString::number(column) + QLatin1Char('|') + text);
    }
    QStringList written;

private:
    TPlannerCore &FCore;
};

// What became of `typed`, typed for row `id` into the field of column `column` (captioned
// `caption`); `field` is the field that shows the column now, if any. One of the outcomes
// above, several joined by "+" when more than one seems to hold, "dropped" when none.
inline QString Outcome(const TWrites &writes, const QStringList &questions, const QString &id, int column,
                       const QString &caption, const QString &typed, const QLineEdit *field)
{
    QStringList found;
    if (writes.Wrote(id, column, DateWritten))
        found.append(QLatin1String(Written));
    for (const QString &question : questions)
        if (question.contains(QLatin1Char('"') + typed + QLatin1Char('"')) && question.contains(caption)) {
            found.append(QLatin1String(Told));
            break;
        }
    // Kept: the field still shows it, as typed.
    if (field && field->isVisibleTo(field->window()) && field->text() == typed)
        found.append(QLatin1String(Kept));
    return found.isEmpty() ? QStringLiteral("dropped") : found.join(QLatin1Char('+'));
}

} // namespace typeddate
