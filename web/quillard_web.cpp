// The page's API over the core, as a WebAssembly module: compile a program, draw its graph on an HTML
// canvas through the graph layer's canvas interface, build and verify a set's images, open and save set
// files, and evaluate a logged run. Files live in the module's own memory file system: the page writes
// what the user picks there and offers what the core writes as downloads, so that every byte comes from
// the same code as the window's and the CLI's. Text crosses as Latin-1 strings, a byte a character.
#include "compiler/compile.h"
#include "compiler/ignored.h"
#include "compiler/summary.h"
#include "compiler/tokens.h"
#include "files/fileio.h"
#include "graph/programgraph.h"
#include "measure/campaign.h"
#include "measure/channels.h"
#include "measure/evaluate.h"
#include "romfiles/build.h"
#include "romfiles/campaign.h"
#include "romfiles/exporters.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"
#include "romfiles/verify.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <memory>

using emscripten::val;

namespace {

val Strings(const std::vector<std::string> &lines) {
    val array = val::array();
    for (const std::string &line : lines) array.call<void>("push", line);
    return array;
}

std::vector<std::string> Lines(const val &array) {
    std::vector<std::string> lines;
    const int n = array["length"].as<int>();
    for (int i = 0; i < n; ++i) lines.push_back(array[i].as<std::string>());
    return lines;
}

ProgramSet Programs(const val &programs) {
    ProgramSet set;
    for (int k = 0; k < ProgramCount; ++k) set[static_cast<std::size_t>(k)] = Lines(programs[k]);
    return set;
}

// The page's compiler state, as the window holds one: every compile overwrites it.
CompilerState &State() {
    static CompilerState state;
    return state;
}

CompileOptions Options(bool corvan3Only, std::vector<std::string> *notices) {
    CompileOptions options;
    options.corvan3Only = corvan3Only;
    if (notices) options.notice = [notices](const std::string &text) { notices->push_back(text); };
    return options;
}

// Each message with its line of the Messages text, for the editor's marks.
val MessagesOf(const CompilerState &state) {
    val messages = val::array();
    for (std::size_t i = 0; i < state.messages.size(); ++i) {
        const CompileMessage &m = state.messages[i];
        val message = val::object();
        message.set("text", state.messageLines[i]);
        message.set("line", m.line);
        message.set("code", m.code);
        const Severity severity = SeverityOf(m.code);
        message.set("severity", severity == Severity::Error     ? "error"
                                : severity == Severity::Warning ? "warning"
                                                                : "information");
        messages.call<void>("push", message);
    }
    return messages;
}

// Compiles a program (its lines) as Show does; the state keeps its steps for the graph and the exports.
val Compile(const val &lines, bool corvan3Only) {
    const std::vector<std::string> text = Lines(lines);
    std::vector<std::string> notices;
    CompilerState &state = State();
    const bool ok = CompileProgram(state, text, Options(corvan3Only, &notices));
    val result = val::object();
    result.set("ok", ok);
    result.set("errors", state.ErrorCount);
    result.set("warnings", state.WarningCount);
    result.set("messageLines", Strings(state.messageLines));
    result.set("messages", MessagesOf(state));
    result.set("notices", Strings(notices));
    result.set("summary", Strings(ok ? SummaryLines(SummarizeProgram(state)) : std::vector<std::string>{}));
    result.set("endIndex", state.endIndex);
    result.set("maxSteer", state.MaxSteer);
    val ignored = val::array();
    for (const IgnoredText &i : FindIgnoredText(text)) {
        val entry = val::object();
        entry.set("line", i.line);
        entry.set("start", i.start);
        entry.set("length", i.length);
        entry.set("text", IgnoredTextLine(i));
        ignored.call<void>("push", entry);
    }
    result.set("ignored", ignored);
    return result;
}

// The editor's spans of every line: [start, length, class] each, the classes numbered as TokenClass.
val Tokens(const val &lines) {
    val result = val::array();
    for (const std::vector<Token> &line : TokenizeProgram(Lines(lines))) {
        val spans = val::array();
        for (const Token &t : line) {
            val span = val::array();
            span.call<void>("push", t.start);
            span.call<void>("push", t.length);
            span.call<void>("push", static_cast<int>(t.kind));
            spans.call<void>("push", span);
        }
        result.call<void>("push", spans);
    }
    return result;
}

// The steps of the last compile as columns, for the step read-out, the step export and the tests.
template <class T> val Column(const std::vector<T> &values, const char *type) {
    return val::global(type).new_(emscripten::typed_memory_view(values.size(), values.data()));
}

val Steps() {
    const CompilerState &state = State();
    std::vector<float> time, steer;
    std::vector<std::uint16_t> rate;
    std::vector<std::uint8_t> bits, flags; // bit15 + 2 x ended; flags 1 to 8 of each step in turn
    for (int i = 0; i < StepCount; ++i) {
        const StepRecord &step = state.steps[i];
        time.push_back(step.time);
        steer.push_back(step.steer);
        rate.push_back(step.rate);
        bits.push_back(static_cast<std::uint8_t>(step.bit15 | step.ended << 1));
        flags.insert(flags.end(), step.flags.begin(), step.flags.end());
    }
    val result = val::object();
    result.set("time", Column(time, "Float32Array"));
    result.set("steer", Column(steer, "Float32Array"));
    result.set("rate", Column(rate, "Uint16Array"));
    result.set("bits", Column(bits, "Uint8Array"));
    result.set("flags", Column(flags, "Uint8Array"));
    result.set("endIndex", state.endIndex);
    result.set("maxSteer", state.MaxSteer);
    return result;
}

// The steps of the last compile as `quillard-cli steps` prints them and Export Steps as CSV writes them.
std::string StepsCsv() {
    const CompilerState &state = State();
    return StepsCsvBytes(state.steps, state.endIndex, state.MaxSteer);
}

// The graph layer's canvas on an HTML canvas: the page's drawing object (web/src/canvas.js) draws and
// measures; pen, brush and font are kept here as the window's canvas keeps them.
class HtmlCanvas : public Canvas {
public:
    explicit HtmlCanvas(val surface) : m_surface(std::move(surface)) {}
    void MoveTo(int x, int y) override { m_surface.call<void>("moveTo", x, y); }
    void LineTo(int x, int y) override { m_surface.call<void>("lineTo", x, y); }
    void Rectangle(int left, int top, int right, int bottom) override {
        m_surface.call<void>("rectangle", left, top, right, bottom);
    }
    void TextOut(int x, int y, const std::string &text) override {
        m_surface.call<void>("textOut", x, y, text);
    }
    int TextWidth(const std::string &text) override { return m_surface.call<int>("textWidth", text); }
    int TextHeight(const std::string &text) override { return m_surface.call<int>("textHeight", text); }
    int FontHeight() override { return static_cast<int>(std::lround(m_font.pointSize * 96 / 72.0)); }
    Pen GetPen() const override { return m_pen; }
    void SetPen(const Pen &pen) override {
        m_pen = pen;
        m_surface.call<void>("setPen", Hex(pen.color), pen.width, static_cast<int>(pen.style));
    }
    Brush GetBrush() const override { return m_brush; }
    void SetBrush(const Brush &brush) override {
        m_brush = brush;
        m_surface.call<void>("setBrush", Hex(brush.color), brush.style == BrushStyle::Solid);
    }
    Font GetFont() const override { return m_font; }
    void SetFont(const Font &font) override {
        m_font = font;
        m_surface.call<void>("setFont", font.name, font.pointSize > 0 ? font.pointSize : 8, font.bold);
    }

private:
    static std::string Hex(Color c) {
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
        return text;
    }
    val m_surface;
    Pen m_pen;
    Brush m_brush;
    Font m_font;
};

// The shown program: its steps, the world Show set and the one zoom and pan moved it to, the plot area,
// the aux flags drawn; as the window's graph keeps them.
struct ShownGraph {
    std::unique_ptr<StepStore> steps;
    int endIndex = 0;
    float maxSteer = 0;
    int program = 0;
    GraphWindow window;
    TViewport area;
    AuxDisplaySettings aux;
    bool auxShown = false;
};

ShownGraph &Shown() {
    static ShownGraph shown;
    return shown;
}

void Draw(val surface, int width, int height) {
    ShownGraph &g = Shown();
    HtmlCanvas canvas(std::move(surface));
    GraphPicture picture;
    picture.programLabel = "program " + std::to_string(g.program);
    picture.aux = g.auxShown ? &g.aux : nullptr;
    if (!(g.window.view == g.window.fit)) picture.window = g.window;
    const DrawnGraph drawn =
        DrawGraphPicture(canvas, width, height, *g.steps, g.endIndex, g.maxSteer, picture);
    g.area = drawn.area;
    if (!picture.window) g.window.fit = g.window.view = drawn.world;
}

// Show: the last compile's steps drawn on the surface at its size, unzoomed. flags: the aux flags drawn
// (bit 0 flag 1), 0 for none.
void ShowGraph(val surface, int width, int height, int program, int flags) {
    ShownGraph &g = Shown();
    const CompilerState &state = State();
    if (!g.steps) g.steps = std::make_unique<StepStore>();
    for (int i = 0; i < StepCount; ++i) (*g.steps)[i] = state.steps[i];
    g.endIndex = state.endIndex;
    g.maxSteer = state.MaxSteer;
    g.program = program;
    g.auxShown = flags != 0;
    for (std::size_t f = 0; f < 8; ++f) g.aux.selected[f] = (flags >> f) & 1;
    g.window = {};
    Draw(std::move(surface), width, height);
}

// The shown graph drawn again as zoom and pan left it (after a resize too).
void RedrawGraph(val surface, int width, int height) {
    if (Shown().steps) Draw(std::move(surface), width, height);
}

// Zoom by the factor about the pixel, within the limits the window keeps; all the way out is the fit.
void ZoomGraph(double factor, int x, int y) {
    ShownGraph &g = Shown();
    if (!g.steps) return;
    const TWorldWindow &w = g.window.view;
    const double fitSpan = g.window.fit.XHigh - g.window.fit.XLow;
    const TPointD at = ViewPoint(g.area, w, x, y);
    const TWorldWindow zoomed = ZoomWorld(w, at.x, at.y, ClampZoomFactor(w.XHigh - w.XLow, fitSpan, factor));
    g.window.view = std::abs(zoomed.XHigh - zoomed.XLow) >= std::abs(fitSpan) ? g.window.fit : zoomed;
}

// Pan by a drag of (dx, dy) pixels from the view the drag started in.
void PanGraph(const val &from, int dx, int dy) {
    ShownGraph &g = Shown();
    if (!g.steps) return;
    const TWorldWindow w{from["xLow"].as<double>(), from["yLow"].as<double>(), from["xHigh"].as<double>(),
                         from["yHigh"].as<double>()};
    const long double sx =
        static_cast<long double>(dx) * (w.XHigh - w.XLow) / std::max(1, g.area.Right - g.area.Left);
    const long double sy =
        static_cast<long double>(dy) * (w.YHigh - w.YLow) / std::max(1, g.area.Bottom - g.area.Top);
    g.window.view = PanWorld(w, static_cast<double>(-sx), static_cast<double>(sy));
}

val GraphView() {
    const ShownGraph &g = Shown();
    val view = val::object();
    view.set("xLow", g.window.view.XLow);
    view.set("yLow", g.window.view.YLow);
    view.set("xHigh", g.window.view.XHigh);
    view.set("yHigh", g.window.view.YHigh);
    view.set("zoomed", !(g.window.view == g.window.fit));
    view.set("left", g.area.Left);
    view.set("top", g.area.Top);
    view.set("right", g.area.Right);
    view.set("bottom", g.area.Bottom);
    return view;
}

void FitGraph() { Shown().window.view = Shown().window.fit; }

// The read-out of the step nearest the pixel's time, and where it is drawn; empty outside the plot area.
val ReadOut(int x, int y) {
    const ShownGraph &g = Shown();
    val result = val::object();
    const TViewport &a = g.area;
    if (!g.steps || x < a.Left || x > a.Right || y < a.Top || y > a.Bottom) return result;
    const TWorldWindow &w = g.window.view;
    const StepReading reading = ReadStepAt(*g.steps, ViewPoint(a, w, x, y).x);
    result.set("text", StepReadingText(reading));
    result.set("step", reading.index);
    // The ring sits on the trace at that step, when the step is inside the window.
    const double fx = (reading.time - w.XLow) / (w.XHigh - w.XLow);
    const double fy = (reading.steer - w.YLow) / (w.YHigh - w.YLow);
    result.set("onTrace", fx >= 0 && fx <= 1 && fy >= 0 && fy <= 1);
    result.set("x", a.Left + fx * (a.Right - a.Left));
    result.set("y", a.Bottom - fy * (a.Bottom - a.Top));
    return result;
}

std::string ErrorText(const std::exception &e) { return e.what(); }

// A program text file of the memory file system as its lines, as the window opens one into a tab.
val ReadProgramText(const std::string &path) {
    val result = val::object();
    try {
        result.set("lines", Strings(ReadFileLines(path)));
    } catch (const std::exception &e) {
        result.set("error", ErrorText(e));
    }
    return result;
}

// Opens a set file of the memory file system as the window opens one: programs, the text in front of
// the first marker, and the notice of markers beyond the 16th.
val OpenSet(const std::string &path) {
    val result = val::object();
    try {
        std::string notice;
        const SetFileContents contents = ReadSetFileContents(path, &notice);
        val programs = val::array();
        for (const ProgramText &program : contents.programs) programs.call<void>("push", Strings(program));
        result.set("programs", programs);
        result.set("preamble", Strings(contents.preamble));
        result.set("notice", notice);
    } catch (const std::exception &e) {
        result.set("error", ErrorText(e));
    }
    return result;
}

// Saves the set (after the preamble) to the memory file system as the window's Save writes it.
std::string SaveSet(const std::string &path, const val &programs, const val &preamble) {
    try {
        WriteProgramSet(path, Programs(programs), Lines(preamble));
        return "";
    } catch (const std::exception &e) {
        return ErrorText(e);
    }
}

// Build: the 16 programs into the EPROM and aux files at the path, with their Intel HEX and S-record
// copies, each program's images checked before anything is written; then the report of the bytes
// written and, when asked, their verification against the set rebuilt (as Verify Images reads them).
val BuildSetFiles(const std::string &binPath, const val &programs, bool corvan3Only, bool verify) {
    val result = val::object();
    val failures = val::array();
    std::vector<std::string> notices;
    try {
        const ProgramSet set = Programs(programs);
        CompilerState state;
        BuildCallbacks callbacks;
        callbacks.programFailed = [&](int program, const std::vector<std::string> &lines) {
            val failure = val::object();
            failure.set("program", program);
            failure.set("lines", Strings(lines));
            failures.call<void>("push", failure);
        };
        int current = 0;
        callbacks.programStarts = [&current](int program) { current = program; };
        CompileOptions options = Options(corvan3Only, nullptr);
        options.notice = [&](const std::string &text) {
            notices.push_back("Program #" + std::to_string(current) + ": " + text);
        };
        const ImageCopies copies = [&binPath](const std::string &main, const std::string &aux) {
            return ImageCopyFiles(binPath, {".hex", ".srec"}, main, aux);
        };
        const BuildOutcome outcome = BuildSet(state, set, binPath, options, callbacks, copies);
        result.set("ok", outcome.success);
        result.set("text", outcome.text);
        if (outcome.success) {
            result.set("report", Strings(ReportLines(ReportImages(outcome.main, outcome.aux))));
            val files = val::array();
            files.call<void>("push", binPath);
            files.call<void>("push", AuxPathFor(binPath));
            for (const FileContent &copy : ImageCopyFiles(binPath, {".hex", ".srec"}, {}, {}))
                files.call<void>("push", copy.path);
            result.set("files", files);
            if (verify) {
                const std::vector<std::string> written = ReadImageFiles({binPath, AuxPathFor(binPath)});
                const SetComparison check =
                    CompareSetWithImages(state, set, written[0], written[1], Options(corvan3Only, nullptr));
                result.set("verified", check.Identical());
                result.set("verifyLines", Strings(ComparisonLines(check, "the set", FileNameOf(binPath),
                                                                  FileNameOf(AuxPathFor(binPath)))));
            }
        }
    } catch (const std::exception &e) {
        result.set("ok", false);
        result.set("text", ErrorText(e));
    }
    result.set("failures", failures);
    result.set("notices", Strings(notices));
    return result;
}

// Verify Images: the set rebuilt in memory and compared word by word with images the user picked.
val VerifyImages(const val &programs, const std::string &binPath, const std::string &auxPath,
                 bool corvan3Only) {
    val result = val::object();
    try {
        std::vector<std::string> paths{binPath};
        if (!auxPath.empty()) paths.push_back(auxPath);
        const std::vector<std::string> images = ReadImageFiles(paths);
        CompilerState state;
        std::optional<std::string_view> aux;
        if (images.size() > 1) aux = images[1];
        const SetComparison check =
            CompareSetWithImages(state, Programs(programs), images[0], aux, Options(corvan3Only, nullptr));
        result.set("identical", check.Identical());
        result.set("lines", Strings(ComparisonLines(check, "the set", FileNameOf(binPath),
                                                    auxPath.empty() ? "" : FileNameOf(auxPath))));
    } catch (const std::exception &e) {
        result.set("error", ErrorText(e));
    }
    return result;
}

// Evaluate Run: a sine-with-dwell log of the memory file system judged against the last compile (its
// peak steer is the commanded amplitude), as the window's Evaluate Run judges it.
val EvaluateRun(const std::string &logPath, const val &program, double amplitudeA, double gvwr) {
    val result = val::object();
    try {
        const VehicleLog log = ReadVehicleLog(logPath, {});
        const CompilerState &state = State();
        SwdOptions options;
        options.commandedAmplitude = CommandedAmplitude(state);
        options.gvwr = gvwr;
        options.amplitudeA = amplitudeA;
        if (!(amplitudeA > 0)) options.amplitudeA = SeriesAmplitudeA(Lines(program)).value_or(0);
        const SwdResult r = EvaluateSineWithDwell(log, options);
        result.set("pass", r.pass);
        result.set("lines", Strings(SwdReportLines(r, log, options)));
    } catch (const std::exception &e) {
        result.set("error", ErrorText(e));
    }
    return result;
}

} // namespace

EMSCRIPTEN_BINDINGS(quillard) {
    emscripten::function("compile", &Compile);
    emscripten::function("tokens", &Tokens);
    emscripten::function("steps", &Steps);
    emscripten::function("stepsCsv", &StepsCsv);
    emscripten::function("showGraph", &ShowGraph);
    emscripten::function("redrawGraph", &RedrawGraph);
    emscripten::function("zoomGraph", &ZoomGraph);
    emscripten::function("panGraph", &PanGraph);
    emscripten::function("fitGraph", &FitGraph);
    emscripten::function("graphView", &GraphView);
    emscripten::function("readOut", &ReadOut);
    emscripten::function("readProgramText", &ReadProgramText);
    emscripten::function("openSet", &OpenSet);
    emscripten::function("saveSet", &SaveSet);
    emscripten::function("buildSet", &BuildSetFiles);
    emscripten::function("verifyImages", &VerifyImages);
    emscripten::function("evaluateRun", &EvaluateRun);
}
