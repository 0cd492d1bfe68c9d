// The main() of a benchmark program: Qt on the offscreen platform with the application
// object App, the engine's shared services, then the benchmarks the command line selects.
// Header only: the kit itself does not link the benchmark library.
#pragma once

#include <QByteArray>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include "report/model/fr_globals.h"

namespace testkit {

template <class App = QGuiApplication> int benchmarkMain(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    frGlobals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace testkit
