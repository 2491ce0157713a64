// Printed pages: program texts with a header on every page, and program graphs stacked on one page.
#pragma once

#include "compiler/state.h"
#include "graph/canvas.h"

#include <functional>
#include <string>
#include <vector>

// A printer page as the printing sees it: a canvas in device pixels with the page's size, page
// breaks and page numbers. A job runs from BeginJob to EndJob; its first page is page 1.
class PageDevice : public Canvas {
public:
    virtual int PageWidth() const = 0;  // device pixels
    virtual int PageHeight() const = 0; // device pixels
    virtual void BeginJob() = 0;
    virtual void NewPage() = 0;
    virtual int PageNumber() const = 0;
    virtual void EndJob() = 0;
};

// Fixed layout of the printed pages, in printer device pixels.
constexpr int PrintTextLeft = 200;
constexpr int PrintTextReserve = 300; // page height less this is the text area
constexpr int PrintGraphLeft = 300;
constexpr int PrintGraphRightMargin = 150;
constexpr int PrintGraphTop = 150;
constexpr int PrintGraphBottomMargin = 150;

// Text line height: the font's character height plus a tenth.
int PrintLineHeight(PageDevice &device);
// Prints one program text as one job in the given font: a header "<set file or Untitled>  Program #n
// Page p" on every page, three empty rows, then the lines, L - 2 to a page.
void PrintProgramText(PageDevice &device, const std::vector<std::string> &lines,
                      const std::string &setFileName, int programNumber, const Font &font);

// Slot of program n on the graph page when first..last share it, as viewport 2's rectangle.
struct GraphSlot {
    int left, top, right, bottom;
    friend bool operator==(const GraphSlot &, const GraphSlot &) = default;
};
GraphSlot PrintGraphSlot(int pageWidth, int pageHeight, int first, int last, int n);
// Compiles programs first..last afresh into the state and prints their graphs as one job on one page, one
// framed slot each, program first at the top, labelled in the margin at its left with "Program #n" and
// the set's file name ("Untitled" when empty) on as many lines as it takes; a program that fails to compile
// gets "Program #n does not compile" in its slot. Nothing is printed when last < first. beforeEnd runs before
// the job ends (the window writes its bitmap there). Afterwards the state holds the last compiled program,
// and the plot library is as it was before (PlotScope).
void PrintGraphs(PageDevice &device, CompilerState &state,
                 const std::vector<std::vector<std::string>> &programs, int first, int last,
                 const CompileOptions &options, const std::string &setName,
                 const std::function<void()> &beforeEnd = {});
