// quillard-cli plot: the program graph as Show draws it, saved as PNG or SVG.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "graph/overlay.h"
#include "graph/programgraph.h"
#include "graph/responsegraph.h"
#include "graph/ui/GraphFile.h"
#include "graph/ui/MeasuredResponse.h"
#include "measure/channels.h"

#include <stdexcept>

namespace {

// The aux traces of the listed flags, in the default colours.
AuxDisplaySettings AuxFor(const std::vector<int> &bits) {
    AuxDisplaySettings aux;
    aux.selected.fill(false);
    for (int bit : bits) aux.selected[static_cast<std::size_t>(bit - 1)] = true;
    return aux;
}

// A measured log over the program graph, or the frequency response it shows.
struct LogPicture {
    OverlayTrace trace;
    std::optional<ResponseCurve> response;
};

LogPicture PictureOfLog(const CompilerState &state, const CliOptions &options, MeasuredLog &log) {
    const Comparison comparison = CompareWithLog(state, options, log);
    LogPicture picture;
    picture.trace.colour = OverlayColours::Blue;
    picture.trace.label = "measured: " + FileNameOf(options.log);
    for (const auto &[t, steer] : MeasuredTrace(log, comparison.alignment))
        picture.trace.points.push_back(PointD(t, steer));
    if (options.bode) {
        if (!comparison.response) throw InputError(options.log, comparison.noResponse);
        picture.response = ResponseCurveOf(comparison);
        picture.response->vehicle = VehicleResponseOfFile(options.log, options.logOptions);
    }
    return picture;
}

void Draw(Canvas &canvas, const CompilerState &state, const CliOptions &options, const LogPicture *picture) {
    if (picture && picture->response) {
        DrawResponseGraph(canvas, options.width, options.height, *picture->response);
        return;
    }
    // The picture the window shows of the program, and saves with Save Graph As, at this size.
    const AuxDisplaySettings aux = AuxFor(options.auxBits);
    GraphPicture graph;
    graph.programLabel =
        IsSetFileName(InputFile(options)) ? "program " + std::to_string(options.program) : "program";
    graph.aux = options.auxBits.empty() ? nullptr : &aux;
    if (picture) graph.overlays.push_back(picture->trace);
    DrawGraphPicture(canvas, options.width, options.height, state.steps, state.endIndex, state.MaxSteer,
                     graph);
}

} // namespace

int RunPlot(const CliOptions &options) {
    const std::optional<GraphFileKind> kind = GraphFileKindOf(QString::fromLatin1(options.output.c_str()));
    if (!kind) throw UsageError("plot writes .png or .svg files: " + options.output);

    CheckOutput(options, options.output, true);
    auto lines = ReadProgram(options);
    std::optional<MeasuredLog> log;
    if (!options.log.empty()) log = ReadMeasuredLog(options); // a bad log is reported before the compile
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }
    NoteWarnings(options, state, "", false);
    if (StrictKeepsFrom(options, options.output)) return 1;
    if (options.bode && CommandedFrom(state).sweeps.empty())
        throw UsageError("--bode needs a program with a sweep (SINESWEEP or SINESWEEPLOG)");
    std::optional<LogPicture> picture;
    if (log) picture = PictureOfLog(state, options, *log);

    // The image is made in memory and written like every other file, atomically.
    QByteArray bytes;
    try {
        bytes = GraphFileBytes(*kind, options.width, options.height, [&](Canvas &canvas) {
            Draw(canvas, state, options, picture ? &*picture : nullptr);
        });
    } catch (const std::runtime_error &e) {
        throw InputError(options.output, e.what());
    }
    WriteFileAtomically(options.output, std::string_view(bytes.constData(), bytes.size()));
    return 0;
}
