#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>

#include "Allocator.h"

// Widgets and fonts need an application object but never a screen. `setUp` runs after the
// application exists and before the first benchmark.
template <typename SetUp>
int RunBenchmarks(int argc, char **argv, SetUp setUp)
{
    // As the program does: the figures are the program's.
    platform::tuneAllocator();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUp();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

inline int RunBenchmarks(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] {});
}
