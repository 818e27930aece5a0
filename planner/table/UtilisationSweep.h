#pragma once

// The step series of the utilisation charts. Time is sampled at whole samples (days or
// minutes) from `first` up to but excluding `last`; at each sample the value is the sum of the
// items running then (from <= sample < to). A point is written at the first sample and at
// every sample where the value changes.
//
// Instead of visiting every sample, the sweep walks the items' starts and ends in time order;
// sums are kept exactly, so the result equals sample-by-sample summation whatever the order
// in which items begin and end.

#include <QtGlobal>

#include <vector>

class TUtilisationSweep
{
public:
    struct TItem
    {
        qint64 from = 0; // first sample it runs at
        qint64 to = 0;   // first sample it no longer runs at
        double value = 1;
    };
    struct TPoint
    {
        qint64 sample = 0;
        double value = 0;
        bool operator==(const TPoint &) const = default;
    };

    // divisor > 1: each sum becomes its whole-number quotient (truncated), the average over
    // that many resources.
    static std::vector<TPoint> Run(const std::vector<TItem> &items, qint64 first, qint64 last, int divisor = 1);

    // The value a sum of values shows: exact sums stay exact.
    static double Divided(double sum, int divisor);
};
