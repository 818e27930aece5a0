#include "table/ExactSum.h"

#include <cmath>
#include <utility>

void TExactSum::Add(double value)
{
    // Each partial is exactly the rounding error of the one above it (two-sum).
    std::size_t kept = 0;
    for (double partial : FPartials) {
        if (std::fabs(value) < std::fabs(partial))
            std::swap(value, partial);
        const double high = value + partial;
        const double low = partial - (high - value);
        if (low != 0.0)
            FPartials[kept++] = low;
        value = high;
    }
    FPartials.resize(kept);
    if (value != 0.0)
        FPartials.push_back(value);
}

double TExactSum::Value() const
{
    if (FPartials.empty())
        return 0.0;
    std::size_t i = FPartials.size() - 1;
    double high = FPartials[i];
    double low = 0.0;
    while (i > 0) {
        const double x = high;
        const double y = FPartials[--i];
        high = x + y;
        low = y - (high - x);
        if (low != 0.0)
            break;
    }
    // Half-way cases: the partials below decide the rounding direction.
    if (i > 0 && ((low < 0 && FPartials[i - 1] < 0) || (low > 0 && FPartials[i - 1] > 0))) {
        const double y = low * 2;
        const double x = high + y;
        if (y == x - high)
            high = x;
    }
    return high == 0.0 ? 0.0 : high;
}
