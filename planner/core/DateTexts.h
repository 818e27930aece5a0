#pragma once

// The date texts of cells, read and written by the thousand when a document opens or every
// end is computed again. Texts in the plain numeric form of the user's patterns (such as
// "05.03.2024 07:15") are taken apart and put together directly; any other text takes the
// general road once and is remembered, for as long as the formats, the unit and the current
// day stay the same. The results are those of TryStrToDateTime and of the cell format
// (FormatDateTime) in every case.

#include <QHash>
#include <QList>
#include <QString>

#include "DateTime.h"
#include "core/DocumentTypes.h"

class TDateTexts
{
public:
    // Forgets everything when the formats, the unit or today changed since the last call.
    void Validate(TMinUnit unit);
    // Changes whenever Validate found new rules.
    quint32 Generation() const { return FGeneration; }
    // The date a text names (TryStrToDateTime); false when it names none.
    bool Read(const QString &text, TDateTime &value);
    // The cell text of a date in the unit given to Validate: the short date, in minute mode
    // followed by a blank and the short time when the time is not midnight.
    QString Write(TDateTime value);
    // Whether a text is the one Write would give (without making it when it is).
    bool IsWritten(const QString &text, TDateTime value) const;

private:
    // One piece of a numeric pattern: a field (letter and width) or literal text.
    struct TPiece
    {
        char16_t field = 0; // 'd', 'M', 'y', 'H', 'm', 's'; 0 for literal text
        int width = 0;
        QString text;
    };
    static bool Compile(const QString &pattern, bool time, QList<TPiece> &pieces);
    // The digits and literals of the pieces, at `out` (room for 128 characters); the count.
    static int Append(char16_t *out, const QList<TPiece> &pieces, const int (&fields)[6]);
    // The written text of a date at `out` (room for 128 characters); -1 off the quick road.
    int FastWrite(TDateTime value, char16_t *out) const;
    bool FastRead(QStringView text, TDateTime &value) const;
    // The written text of a date off the quick road, remembered.
    const QString &SlowWrite(TDateTime value) const;

    TMinUnit FUnit = muDay;
    QString FShortDate;
    QString FShortTime;
    QString FLongTime;
    qint64 FToday = 0;
    bool FValid = false;
    quint32 FGeneration = 0;
    // The order of day, month and year in the short date pattern ("dMy", "Mdy", "yMd").
    QString FOrder;
    bool FFastWrite = false;
    QList<TPiece> FDatePieces;
    QList<TPiece> FTimePieces;
    struct TRead
    {
        bool ok = false;
        TDateTime value = 0;
    };
    QHash<QString, TRead> FRead;
    mutable QHash<TDateTime, QString> FWritten;
};
