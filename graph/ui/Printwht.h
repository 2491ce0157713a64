// The print selection dialog and the Print command's flow: program texts or graphs onto a printer.
#pragma once

#include "compiler/state.h"
#include "graph/canvas.h"
#include "romfiles/programset.h"

#include <QDialog>
#include <QFont>
#include <QString>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QPrinter;
class QPushButton;
class QSpinBox;

// ORDER PrintSourceGrp: the items of the radio group, from 0.
enum class PrintSource { CurrentProgram = 0, Programs = 1, CurrentGraph = 2, Graphs = 3 };

class TPrintWhichDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPrintWhichDialog(QWidget *parent = nullptr);

    PrintSource Source() const;
    int FromGraph() const;
    int ThruGraph() const;

    // Controls (names of the form).
    QGroupBox *PrintSourceGrp;
    QSpinBox *fromgraph, *thrugraph;
    QPushButton *OKBtn, *CancelBtn;

private:
    QButtonGroup *m_items;
};

// What the printing reads from the window.
struct PrintMaterial {
    ProgramSet programs;
    int currentProgram = 0;
    QString setFileName;            // full path of the set file; empty for an untitled set
    QFont editorFont;               // the editors' font, used for program texts
    CompileOptions options;         // for the graphs' compiles
    std::function<void()> graphEnd; // runs before a graph job ends (the window writes its bitmap there)
};

// The canvas font that prints like the editors' font: its resolved family, point size and weight.
Font PrintFont(const QFont &font);

// Prints the chosen item: a program text is one job of its own (pages numbered from 1), a range of
// texts is one job per program in ascending order, graphs are one job on one page. A range whose
// last program is below its first prints nothing. The graphs compile into the state. Returns the number of
// jobs. When the printer writes to a file, the jobs of a range share that file, each program starting on a
// fresh page with its own page numbers, because a second job would overwrite the first.
int RunPrint(QPrinter &printer, CompilerState &state, PrintSource source, int first, int last,
             const PrintMaterial &material);

// The Print command: the selection dialog, then the print dialog, then RunPrint with the selection.
// Cancelling either dialog prints nothing. Returns the number of jobs.
int PrintCommand(QWidget *parent, TPrintWhichDialog &which, QPrinter &printer, CompilerState &state,
                 const PrintMaterial &material);
