// Printed pages: program texts with a header on every page, and program graphs stacked on one page.
#include "graph/print.h"

#include "compiler/compile.h"
#include "graph/plot.h"
#include "graph/programgraph.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

int PrintLineHeight(PageDevice &device) { return std::abs(device.FontHeight()) * 11 / 10; }

void PrintProgramText(PageDevice &device, const std::vector<std::string> &lines,
                      const std::string &setFileName, int programNumber, const Font &font) {
    device.BeginJob();
    device.SetFont(font);
    // A font too small to measure still advances by a pixel a line.
    const int h = std::max(1, PrintLineHeight(device));
    const int linesPerPage = (device.PageHeight() - PrintTextReserve) / h;
    const std::string name = setFileName.empty() ? "Untitled" : setFileName;
    std::string page = std::to_string(device.PageNumber());
    int row = 0, y = 0;
    for (const std::string &line : lines) {
        if (row == 0) {
            device.TextOut(PrintTextLeft, y,
                           name + "  Program #" + std::to_string(programNumber) + "  Page " + page);
            // The header takes four line heights but counts as two rows.
            y += 4 * h;
            row = 2;
        }
        device.TextOut(PrintTextLeft, y, line);
        ++row;
        y += h;
        if (row > linesPerPage - 1) {
            device.NewPage();
            y = 0;
            row = 0;
            page = std::to_string(device.PageNumber());
        }
    }
    device.EndJob();
}

GraphSlot PrintGraphSlot(int pageWidth, int pageHeight, int first, int last, int n) {
    const int height = (pageHeight - PrintGraphTop - PrintGraphBottomMargin) / std::max(1, last - first + 1);
    const int k = n - first;
    return {PrintGraphLeft, PrintGraphTop + k * height, pageWidth - PrintGraphRightMargin,
            PrintGraphTop + (k + 1) * height};
}

namespace {

void SetPenWidth(Canvas &canvas, int width) {
    Pen pen = canvas.GetPen();
    pen.width = width;
    canvas.SetPen(pen);
}

// Every step joined to the next; the part after the end is drawn with the thin pen.
void DrawPrintedTrace(Canvas &canvas, const StepStore &steps) {
    WorldMoveTo(0, 0);
    int repeatIndex = 0;
    for (int i = 0; i < StepCount; ++i) {
        const StepPosition at = RepeatedStep(steps, i, repeatIndex);
        WorldLineTo(at.x, steps[at.source].steer);
        const StepRecord &step = steps[i];
        if (IsEndStep(step) || IsRepeatStep(step)) SetPenWidth(canvas, 1);
        if (IsRepeatStep(step) && repeatIndex == 0) repeatIndex = i;
    }
}

// The longest start of the text that fits the room (at least one character).
std::size_t FittingLength(Canvas &canvas, const std::string &text, int room) {
    std::size_t n = 1;
    while (n < text.size() && canvas.TextWidth(text.substr(0, n + 1)) <= room) ++n;
    return n;
}

// The set's name on as many lines as there are, each as wide as the room: broken after a blank, a hyphen,
// an underscore or a dot where one falls on a line, anywhere where none does; what the last line cannot
// hold ends in "...".
std::vector<std::string> WrappedName(Canvas &canvas, std::string name, int room, int lines) {
    std::vector<std::string> wrapped;
    while (!name.empty() && static_cast<int>(wrapped.size()) < std::max(1, lines)) {
        if (canvas.TextWidth(name) <= room) {
            wrapped.push_back(name);
            break;
        }
        if (static_cast<int>(wrapped.size()) + 1 >= lines) {
            const std::string end = "...";
            std::string cut = name.substr(0, FittingLength(canvas, name, room - canvas.TextWidth(end)));
            wrapped.push_back(cut + end);
            break;
        }
        std::size_t n = FittingLength(canvas, name, room);
        const std::size_t brk = name.substr(0, n).find_last_of(" -_.");
        if (brk != std::string::npos && brk > 0) n = brk + 1;
        wrapped.push_back(name.substr(0, n));
        name.erase(0, n);
    }
    return wrapped;
}

// The slot's label in the page margin at its left: the program and, under it, the set's whole name on
// as many lines as it takes and the slot holds.
void LabelSlot(Canvas &canvas, const GraphSlot &slot, int n, const std::string &setName) {
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    constexpr int Left = 20, Room = PrintGraphLeft - 2 * Left;
    const int row = canvas.TextHeight("Xg"), pitch = row + row / 4;
    const int top = slot.top + row / 2;
    canvas.TextOut(Left, top, "Program #" + std::to_string(n));
    const int lines = (slot.bottom - top - pitch) / std::max(1, pitch);
    int y = top + pitch;
    for (const std::string &line : WrappedName(canvas, setName.empty() ? "Untitled" : setName, Room, lines)) {
        canvas.TextOut(Left, y, line);
        y += pitch;
    }
    canvas.SetFont(saved);
}

void NoteFailedSlot(Canvas &canvas, const GraphSlot &slot, int n) {
    const std::string text = "Program #" + std::to_string(n) + " does not compile";
    canvas.TextOut((slot.left + slot.right - canvas.TextWidth(text)) / 2,
                   (slot.top + slot.bottom - canvas.TextHeight(text)) / 2, text);
}

} // namespace

void PrintGraphs(PageDevice &device, CompilerState &state,
                 const std::vector<std::vector<std::string>> &programs, int first, int last,
                 const CompileOptions &options, const std::string &setName,
                 const std::function<void()> &beforeEnd) {
    if (last < first) return;
    device.BeginJob();
    const PlotScope scope(&device);
    Pen pen = device.GetPen();
    pen.style = PenStyle::Solid;
    pen.width = 3;
    device.SetPen(pen);
    SelectViewport(2);
    for (int n = first; n <= last; ++n) {
        SetPenWidth(device, 3);
        const bool known = n >= 0 && n < static_cast<int>(programs.size());
        const bool good = known && CompileProgram(state, programs[n], options);
        RestoreFullViewport();
        const GraphSlot slot = PrintGraphSlot(device.PageWidth(), device.PageHeight(), first, last, n);
        SetViewportRect(2, {slot.left, slot.top}, {slot.right, slot.bottom});
        FrameViewport(2);
        LabelSlot(device, slot, n, setName);
        if (!good) {
            NoteFailedSlot(device, slot, n);
            continue;
        }
        SetProgramWorld(state.steps, state.endIndex, state.MaxSteer);
        DrawAxes(8, 10);
        DrawPrintedTrace(device, state.steps);
    }
    if (beforeEnd) beforeEnd();
    device.EndJob();
}
