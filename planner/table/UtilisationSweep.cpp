#include "table/UtilisationSweep.h"

#include <algorithm>
#include <cmath>

#include "table/ExactSum.h"

double TUtilisationSweep::Divided(double sum, int divisor)
{
    if (divisor <= 1)
        return sum;
    // Sums of whole numbers: divided as whole numbers, the remainder dropped.
    if (std::fabs(sum) < 9e18)
        return double(qint64(sum) / divisor);
    return std::trunc(sum / divisor);
}

std::vector<TUtilisationSweep::TPoint> TUtilisationSweep::Run(const std::vector<TItem> &items, qint64 first,
                                                              qint64 last, int divisor)
{
    std::vector<TPoint> points;
    if (first >= last)
        return points;
    struct TEvent
    {
        qint64 at;
        double delta;
    };
    std::vector<TEvent> events;
    events.reserve(items.size() * 2);
    for (const TItem &item : items) {
        // Items that never run inside the samples change nothing.
        if (item.from >= item.to || item.to <= first || item.from >= last || item.value == 0)
            continue;
        events.push_back({item.from, item.value});
        events.push_back({item.to, -item.value});
    }
    std::sort(events.begin(), events.end(), [](const TEvent &a, const TEvent &b) { return a.at < b.at; });

    TExactSum sum;
    std::size_t next = 0;
    while (next < events.size() && events[next].at <= first)
        sum.Add(events[next++].delta);
    double previous = Divided(sum.Value(), divisor);
    points.push_back({first, previous});
    while (next < events.size() && events[next].at < last) {
        const qint64 at = events[next].at;
        while (next < events.size() && events[next].at == at)
            sum.Add(events[next++].delta);
        const double value = Divided(sum.Value(), divisor);
        if (value != previous) {
            points.push_back({at, value});
            previous = value;
        }
    }
    return points;
}
