// quillard-cli plot: the program graph as Show draws it, saved as PNG or SVG.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "graph/overlay.h"
#include "graph/programgraph.h"
#include "graph/responsegraph.h"
#include "graph/ui/QPainterCanvas.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

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

LogPicture PictureOfLog(const CompilerState &state, const CliOptions &options, const MeasuredLog &log) {
    const Comparison comparison = CompareWithLog(state, options, log);
    LogPicture picture;
    picture.trace.colour = OverlayColours::Blue;
    picture.trace.label = "measured: " + FileNameOf(options.log);
    for (const auto &[t, steer] : MeasuredTrace(log, comparison.alignment))
        picture.trace.points.push_back(PointD(t, steer));
    if (options.bode) {
        if (!comparison.response) throw InputError(options.log, comparison.noResponse);
        ResponseCurve curve;
        for (const ResponsePoint &p : comparison.response->points) {
            curve.frequency.push_back(p.frequency);
            curve.gainDb.push_back(p.gainDb);
            curve.phaseDeg.push_back(p.phaseDeg);
        }
        curve.bandwidthHz = comparison.response->bandwidthHz;
        picture.response = curve;
    }
    return picture;
}

void Draw(QPaintDevice &device, const CompilerState &state, const CliOptions &options,
          const LogPicture *picture) {
    AuxDisplaySettings aux = AuxFor(options.auxBits);
    QPainter painter(&device);
    QPainterCanvas canvas(painter);
    if (picture && picture->response) {
        DrawResponseGraph(canvas, options.width, options.height, *picture->response);
        return;
    }
    DrawProgramGraph(canvas, options.width, options.height, state.steps, state.endIndex, state.MaxSteer,
                     options.auxBits.empty() ? nullptr : &aux);
    if (picture) {
        DrawOverlayTrace(picture->trace);
        DrawLegend({{Colors::Black, "commanded"}, {picture->trace.colour, picture->trace.label}});
    }
}

} // namespace

int RunPlot(const CliOptions &options) {
    QString suffix = QFileInfo(QString::fromLatin1(options.output.c_str())).suffix().toLower();
    if (suffix != "png" && suffix != "svg")
        throw UsageError("plot writes .png or .svg files: " + options.output);

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
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (suffix == "png") {
        QImage image(options.width, options.height, QImage::Format_RGB32);
        if (image.isNull()) throw InputError(options.output, "out of memory"); // the allocation failed
        image.fill(Qt::white);
        Draw(image, state, options, picture ? &*picture : nullptr);
        if (!image.save(&buffer, "PNG")) throw InputError(options.output, "the image could not be encoded");
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(options.width, options.height));
        svg.setViewBox(QRect(0, 0, options.width, options.height));
        svg.setTitle("Program graph");
        Draw(svg, state, options, picture ? &*picture : nullptr);
    }
    if (buffer.data().isEmpty()) throw InputError(options.output, "the image could not be encoded");
    WriteFileAtomically(options.output, std::string_view(buffer.data().constData(), buffer.data().size()));
    return 0;
}
