#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>

// Widgets and fonts need an application object but never a screen. `setUp` runs after the
// application exists and before the first benchmark.
template <typename SetUp>
int RunBenchmarks(int argc, char **argv, SetUp setUp)
{
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
