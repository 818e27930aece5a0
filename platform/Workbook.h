#pragma once

#include <QString>
#include <QStringList>

// What a spreadsheet workbook (.xlsx) can hold, and sheet names as spreadsheet programs
// accept them. Writing and reading name their sheets through the same rules, so that a
// sheet written under a name is found again under it.
namespace platform {

inline constexpr int WorkbookMaxRows = 1048576;
inline constexpr int WorkbookMaxColumns = 16384;
// Characters of one cell (counted in UTF-16 units, which is never fewer than the program does).
inline constexpr int WorkbookMaxCellLength = 32767;
inline constexpr int WorkbookMaxSheetNameLength = 31;

// A valid sheet name for `name`: characters that cannot stand in one ([ ] : * ? / \ and
// control characters) become "_", apostrophes at either end go, the name is cut to 31
// characters without splitting a character, and an empty result becomes "Sheet".
QString SanitizeSheetName(const QString &name);
// The names of a whole workbook in order: each sanitised, and a name equal to an earlier one
// (without regard to case) numbered " (2)", " (3)" ... within the length limit.
QStringList SanitizeSheetNames(const QStringList &names);

} // namespace platform
