#pragma once

#include <QString>

// Matches `text` against a pattern where "*" stands for any run of characters (also none) and
// "?" for exactly one character; every other pattern character must equal the text's. Without
// `caseSensitive` letters compare case-blind (Unicode case folding). Works on whole code
// points, in time proportional to text length times pattern length at worst, with no limit
// on either length.
bool WildcardMatch(const QString &text, const QString &pattern, bool caseSensitive);
