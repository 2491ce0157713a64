// Pages of the evaluation report of a campaign: a first page with the campaign's figures and its runs,
// and a page per sine-with-dwell run with its steer, yaw rate and lateral displacement over time.
#pragma once

#include "graph/canvas.h"

#include <string>
#include <vector>

struct RunReportPage {
    std::string title;              // "Run 3 of 19: ..."
    std::vector<std::string> lines; // the figures and verdicts, one per line
    bool pass = false;
    std::string verdict;       // "PASS", "FAIL" or "INVALID" at the page's head; empty: PASS or FAIL by pass
    std::vector<double> time;  // s
    std::vector<double> steer; // deg
    std::vector<double> yawRate;        // deg/s
    std::vector<double> displacement;   // m; NaN where it is not defined (before BOS)
    double bos = 0, cos = 0;            // s
    double check1 = 1.0, check2 = 1.75; // s after COS
    double limit1 = 35, limit2 = 20;    // % of the peak yaw rate
    double peakYawRate = 0;             // deg/s, signed
    double displacementTime = 1.07;     // s after BOS
    double displacementLimit = 1.83;    // m
    bool displacementJudged = false;
};

struct CoverReportPage {
    std::string title;
    std::vector<std::string> lines;             // the campaign: A, vehicle, overall result
    std::vector<std::string> header;            // column names of the run table
    std::vector<std::vector<std::string>> rows; // one per run
    std::vector<bool> rowPasses;                // a failed run's row is drawn in red
};

// Both draw on a fresh surface of the given size (device pixels) through the plot library, and leave
// the library as they found it (PlotScope).

// Draws the first page.
void DrawCoverPage(Canvas &canvas, int width, int height, const CoverReportPage &page);

// Draws a run's page: its title and verdict, its figures, and three graphs over time (steer, yaw rate,
// lateral displacement) with BOS, COS and the two check times marked and the limits drawn. Uses
// viewports and worlds 1 to 3 of the plot library.
void DrawRunPage(Canvas &canvas, int width, int height, const RunReportPage &page);
