// Pages of the evaluation reports: a first page with the campaign's (or the runs') figures and its runs
// (continued on further pages when they are many), a page of the slowly increasing steer runs that gave
// A, a page per sine-with-dwell run with its steer, yaw rate and lateral displacement over time, a page
// per handling run (step steer, sine, frequency response, understeer, rollover) with its figures and its
// graphs, marks and levels, and a last page for traceability and sign-off. Every page has its foot
// ("Page 3 of 21").
#pragma once

#include "graph/canvas.h"

#include <string>
#include <variant>
#include <vector>

struct RunReportPage {
    std::string title;              // "Run 3 of 19: ..."
    std::vector<std::string> lines; // the figures and verdicts, one per line
    bool pass = false;
    std::string verdict;       // "PASS", "FAIL" or "INVALID" at the page's head; empty: PASS or FAIL by pass
    std::vector<double> time;  // s
    std::vector<double> steer; // deg
    std::vector<double> yawRate;      // deg/s
    std::vector<double> displacement; // m; NaN where it is not defined (before BOS)
    double bos = 0, cos = 0;          // s
    // The criteria as the evaluation applied them (RunPageOf fills them in from the core's).
    double check1 = 0, check2 = 0; // s after COS
    double limit1 = 0, limit2 = 0; // % of the peak yaw rate
    double peakYawRate = 0;        // deg/s, signed
    double displacementTime = 0;   // s after BOS
    double displacementLimit = 0;  // m
    bool displacementJudged = false;
    std::string footer; // "Page 3 of 21", at the foot of the page
};

// A page of text and a table: the first page, the pages its table continues on, the sign-off page.
struct CoverReportPage {
    std::string title;
    std::vector<std::string> lines;             // the campaign: A, vehicle, overall result
    std::vector<std::string> header;            // column names of the run table
    std::vector<std::vector<std::string>> rows; // one per run
    std::vector<bool> rowPasses;                // a failed run's row is drawn in red
    std::vector<std::string> units;             // under the column names; empty: none
    std::vector<std::string> rowNotes;          // a line under a row (its reason, a hash); "": none
    std::vector<std::string> after;             // lines below the table
    bool signOff = false; // "Tested by" and "Checked by" with name, date and signature to fill in
    std::string footer;
};

// A slowly increasing steer run of the SIS page: its steer over its lateral acceleration, both in the
// direction of the turn.
struct SisCurve {
    std::string name;
    std::vector<double> lateralAcceleration; // g
    std::vector<double> steer;               // deg
};

struct SisReportPage {
    std::string title;
    std::vector<std::string> lines;
    std::vector<std::string> header, units;     // of the table of runs
    std::vector<std::vector<std::string>> rows; // one per run
    std::vector<bool> rowPasses;
    std::vector<SisCurve> curves;                   // empty: the runs' logs were not given
    double fitLow = 0.1, fitHigh = 0.375, at = 0.3; // g
    std::string footer;
};

// The text lines of a page of the given height that hold a table's rows: how many lines
// DrawCoverPage and DrawSisPage write on an A4 page at the report's resolution before its foot.
constexpr int ReportPageLines = 52;

// Each draws on a fresh surface of the given size (device pixels) through the plot library, and leave
// the library as they found it (PlotScope).

// Draws the first page.
void DrawCoverPage(Canvas &canvas, int width, int height, const CoverReportPage &page);

// Draws a run's page: its title and verdict, its figures, and three graphs over time (steer, yaw rate,
// lateral displacement) with BOS, COS and the two check times marked and the limits drawn. Uses
// viewports and worlds 1 to 3 of the plot library.
void DrawRunPage(Canvas &canvas, int width, int height, const RunReportPage &page);

// Draws the page of the slowly increasing steer runs: its lines, the table of runs, and their steer over
// lateral acceleration with the fit range and 0.3 g marked. Uses viewport and world 1.
void DrawSisPage(Canvas &canvas, int width, int height, const SisReportPage &page);

// One trace of a handling page's graph: points over the panel's x, the points that are no figures (a
// frequency of low coherence) drawn apart as crosses and left out of the line.
struct PageTrace {
    std::vector<double> x, y;
    std::vector<char> marked; // empty: none
    Color colour;
    std::string label;
};
// A vertical line at x named on the panel, and a level drawn from x `from` to `to`.
struct PageMark {
    double x = 0;
    std::string label;
};
struct PageLevel {
    double y = 0, from = 0, to = 0;
    std::string label;
};
struct PagePanel {
    std::string xLabel; // "time, s"
    double xFrom = 0, xTo = 1;
    std::vector<PageTrace> traces;
    std::vector<PageMark> marks;
    std::vector<PageLevel> levels;
};

struct HandlingReportPage {
    std::string title;   // "Run 2 of 3: step_100hz.csv"
    std::string verdict; // "PASS", "FAIL" or "INVALID"
    bool pass = false;
    std::vector<std::string> steps;   // the processing steps (and what deserves a look), one per line
    std::vector<std::string> figures; // one per line
    std::vector<PagePanel> panels;    // from the top
    std::string footer;
};

// Draws a handling run's page: its state and title, its steps across the page (a long one wrapped), its
// figures in two columns, and its panels one below the other, each mark's name clear of the others'.
// Uses viewports and worlds 1 to the number of panels.
void DrawHandlingPage(Canvas &canvas, int width, int height, const HandlingReportPage &page);

// A page of a report, of any kind.
using ReportPage = std::variant<CoverReportPage, SisReportPage, RunReportPage, HandlingReportPage>;
