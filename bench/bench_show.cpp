// Show: a program of the example set compiled and drawn through the window's canvas on a 1920 x 400
// picture, offscreen. One display frame at 60 Hz is 16.7 ms.
#include "compiler/compile.h"
#include "compiler/state.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "romfiles/programset.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace {

constexpr int Width = 1920;
constexpr int Height = 400;

// Fonts need a GUI application; without a display it runs on the offscreen platform.
void EnsureGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "quillard-bench";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

const ProgramSet &Examples() {
    static const ProgramSet set = ReadProgramSet(QUILLARD_EXAMPLES "/manoeuvres.rom");
    return set;
}

// Compile and draw as Show does, on a picture set up as the window's graph image.
void RunShow(benchmark::State &state, const ProgramText &program, const AuxDisplaySettings *aux) {
    EnsureGuiApplication();
    CompilerState compiler;
    QImage picture(Width, Height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QPainterCanvas canvas(painter);
    SetUpEmptyGraph(canvas, Width, Height);
    const ShowOptions options{aux, {}, {}, {}};
    for (auto _ : state) {
        if (!CompileProgram(compiler, program, {})) {
            state.SkipWithError("the program does not compile");
            break;
        }
        ShowProgramGraph(compiler.steps, compiler.endIndex, compiler.MaxSteer, options);
    }
    SetGraphCanvas(nullptr);
}

// The example that takes longest to compile and draw: the log sweep of program 7, whose steer changes
// on nearly every one of its 11264 steps. With aux 1, flag 1 is drawn over it, as the aux view
// selects it at first.
constexpr int LargestExample = 7;

void BM_ShowLargestExample(benchmark::State &state) {
    RunShow(state, Examples()[LargestExample], state.range(0) ? &AuxDisplay() : nullptr);
}
BENCHMARK(BM_ShowLargestExample)->ArgName("aux")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
