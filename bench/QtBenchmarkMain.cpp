// The main of the benchmarks that need Qt: Google Benchmark inside a Qt application. Socket
// benchmarks run its event loop themselves; painting benchmarks (built with QS_BENCH_GUI) get a
// GUI application on the offscreen platform, so that they run without a screen.
#ifdef QS_BENCH_GUI
#include <QGuiApplication>
#else
#include <QCoreApplication>
#endif

#include <benchmark/benchmark.h>

#include <cstdlib>

int main(int argc, char** argv)
{
#ifdef QS_BENCH_GUI
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
