// quillard-cli plot: the program graph as Show draws it, saved as PNG or SVG.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "romfiles/fileio.h"

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

void Draw(QPaintDevice &device, const CompilerState &state, const CliOptions &options) {
    AuxDisplaySettings aux = AuxFor(options.auxBits);
    QPainter painter(&device);
    QPainterCanvas canvas(painter);
    DrawProgramGraph(canvas, options.width, options.height, state.steps, state.endIndex, state.MaxSteer,
                     options.auxBits.empty() ? nullptr : &aux);
}

} // namespace

int RunPlot(const CliOptions &options) {
    QString suffix = QFileInfo(QString::fromLatin1(options.output.c_str())).suffix().toLower();
    if (suffix != "png" && suffix != "svg")
        throw UsageError("plot writes .png or .svg files: " + options.output);

    auto lines = ReadProgram(options);
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }

    // The image is made in memory and written like every other file, atomically.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (suffix == "png") {
        QImage image(options.width, options.height, QImage::Format_RGB32);
        image.fill(Qt::white);
        Draw(image, state, options);
        image.save(&buffer, "PNG");
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(options.width, options.height));
        svg.setViewBox(QRect(0, 0, options.width, options.height));
        svg.setTitle("Program graph");
        Draw(svg, state, options);
    }
    try {
        WriteFileAtomically(options.output,
                            std::string_view(buffer.data().constData(), buffer.data().size()));
    } catch (const FileError &e) {
        throw InputError(options.output, e.reason());
    }
    return 0;
}
