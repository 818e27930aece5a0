#pragma once

#include <memory>

class TImageList;

// The small pictures of the table commands, at the indexes the tables use: the current sort
// column's mark, ascending and descending, the filter symbol and the empty picture that keeps
// the captions of unfiltered columns in line.
namespace TableImages {
inline constexpr int SortColumn = 1;
inline constexpr int Ascending = 18;
inline constexpr int Descending = 19;
inline constexpr int Filter = 22;
inline constexpr int NoFilter = 23;
// An image list of 16 by 16 pictures holding them (the other indexes are empty).
std::unique_ptr<TImageList> Create();
} // namespace TableImages
