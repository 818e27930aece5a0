#pragma once

// Measuring the start: once armed, prints "painted" on standard output when the chart and the
// shown table have both been painted, so that a watching process knows the document is on
// the screen. Made only when VELMORA_REPORT_PAINT is set.

#include <QObject>

class TStartupProbe : public QObject
{
public:
    // Watches every paint from now on; arm it after the document is open.
    explicit TStartupProbe(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool FChartPainted = false;
    bool FTablePainted = false;
};
