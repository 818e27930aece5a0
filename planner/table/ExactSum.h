#pragma once

// A sum of doubles kept exactly, as a list of non-overlapping partial sums. Value() is the
// exact sum rounded once, so adding and taking away values in any order gives the same result
// as adding the remaining values afresh. Values must be finite and at most 1e300 in size, so
// that no partial sum overflows.

#include <vector>

class TExactSum
{
public:
    static constexpr double Limit = 1e300;

    void Add(double value);
    double Value() const;
    void Clear() { FPartials.clear(); }

private:
    std::vector<double> FPartials;
};
