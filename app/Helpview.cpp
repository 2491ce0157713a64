// The built-in help window: the program language, its messages and a page per command.
#include "app/Helpview.h"

#include "compiler/messages.h"
#include "files/fileio.h"
#include "romfiles/programset.h"
#include "uikit/Latin1.h"

#include <QFile>

#include <QTextBrowser>
#include <QVBoxLayout>

// The help's resources live in a static library, so they are registered by hand (outside any namespace).
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace {

struct Function {
    const char *name, *parameters, *text;
};

// ORDER StatementKind: the functions in the order of their kind codes.
const Function Functions[] = {
    {"SETRATE", "H: clock rate (256, 512, 1024 or 2048, required); S: delay",
     "Sets the clock rate of the steps from the running clock (plus the delay) on."},
    {"SETCURRENTHIGH", "S: delay", "Accepted for older programs; it changes no step of the program."},
    {"SETCURRENTLOW", "S: delay", "Accepted for older programs; it changes no step of the program."},
    {"SETFLAG", "B: flag number 1 to 8 (required); P: value 0 to 100 %; S: delay",
     "Sets an aux flag to a duty percentage."},
    {"PULSEFLAG", "B: flag number (required); S: pulse length; second S: delay",
     "Sets an aux flag to 100 % for the pulse length, then back to 0 %."},
    {"WAITFORROLLPEAK", "S: delay",
     "Waits for the roll peak (flag 1). How it is encoded depends on the machine version chosen under "
     "Preferences."},
    {"PULSEBRAKE", "S: pulse length; second S: delay", "Pulses the brake flag (flag 8)."},
    {"WAIT", "S: time", "Holds the current angle for the time."},
    {"STEPTO", "D: target angle; S: time", "Steps to the angle and holds it for the time."},
    {"STEPUP", "D: step size; S: time", "Steps by the amount and holds the new angle for the time."},
    {"RAMPTO", "D: target angle; S: ramp time (above 0)", "Ramps linearly to the angle."},
    {"RAMPUP", "D: ramp amount; S: ramp time (above 0)", "Ramps linearly by the amount."},
    {"SINE", "D: amplitude; second D: phase angle; H: frequency; S: time; C: cycles",
     "A sine about the current angle. A cycle count takes precedence over the time."},
    {"SQUARE", "as SINE", "A square wave about the current angle."},
    {"TRIANGLE", "as SINE", "A triangle wave about the current angle."},
    {"SINESWEEP",
     "D: amplitude; H: start frequency; second H: end frequency; S: time; second S: second sweep time",
     "A sine whose frequency sweeps linearly between the two frequencies."},
    {"SINESWEEPLOG", "as SINESWEEP",
     "A sine whose frequency sweeps logarithmically; neither frequency may be 0."},
    {"REPEATPROGRAM", "S: delay", "Ends the program; the machine plays it again from the start."},
    {"END", "none", "Ends the program; the machine stops at the last angle."},
};

struct Command {
    const char *id, *title, *text;
};

const Command Commands[] = {
    {"cmd-new", "New (File menu)",
     "When programs were changed since the set was last opened or saved, asks whether to save them first; "
     "then asks \"This will clear ALL 16 programs!\" and, on OK, puts the default program into all 16 "
     "editors. The set becomes untitled."},
    {"cmd-open", "Open (File menu, Open button)",
     "Reads a program-set file (.rom) into the 16 editors. A file without a program marker is refused with "
     "\"Wrong file format!\" and nothing changes. A file with more than 16 program markers fills the 16 "
     "editors from its first 16 and says which markers were ignored. When programs were changed since the "
     "set was last opened "
     "or saved, you are asked whether to save them first."},
    {"cmd-save", "Save (File menu, Save button)",
     "Writes the 16 programs to the set's file; an untitled set asks for a name as Save As does. Text in "
     "front of the first program of the file as it was opened (a title, notes) is written back in front of "
     "program 0."},
    {"cmd-saveas", "Save As (File menu, Save As button)",
     "Asks for a file name (asking before replacing a file) and writes the set there. The caption names "
     "the file and the time it was last saved."},
    {"cmd-preferences", "Preferences (File menu)",
     "Sets the default folders for program-set, text and EPROM files and the Corvan machine version the "
     "programs are compiled for. OK stores them in quildf.txt in the start-up folder. \"Check steer rate\" "
     "with a limit in deg/s (off at first) makes Show and Build give a notice naming the time of the first "
     "step whose steer rate exceeds the limit (Build lists the programs in one box); it is kept in "
     "Quillard's own settings file, not in "
     "quildf.txt."},
    {"cmd-csv", "Export Steps as CSV (File menu)",
     "Compiles the current program and writes all 16384 steps as CSV: a line with the end index and "
     "maxsteer, the column names, then index, time, steer, clock rate, bit 15, ended bit and "
     "the eight flag duties of every step, as quillard-cli steps prints them (LF line ends)."},
    {"cmd-sheet", "Export Campaign Sheet (File menu)",
     "Builds the set in memory (no file is written, no notice box is shown) and saves a CSV with a row per "
     "program: its number, its first comment line, duration in seconds, peak steer (the steer of largest "
     "magnitude) in degrees, peak steer rate in deg/s and the CRC-32s of its EPROM and aux slots as Build "
     "writes them, and the aux flags its image holds on after the program's end. A program that does not "
     "compile has its comment and empty figures. Lines end in LF."},
    {"cmd-overlay-log", "Overlay Measured Log (File menu)",
     "Shows the current program and draws a test run's log over it in blue, with a legend; the figures of "
     "the run (delay, gain and offset, RMS and peak error, the response of each step, any warnings, then "
     "the log and its columns, how it was aligned and the frequency response of a sweep) head the summary "
     "panel. The dialog takes the log file (text with a header line naming its columns; tabs, semicolons, "
     "commas or blanks between the cells), the time and steer columns by name or by number from 1 with "
     "their units, and an optional mark column: the logged aux flag whose first rising edge is the "
     "program's start. Without a mark the delay is found by correlation. The choices are kept for the next "
     "time. A later Show of the program "
     "compares the log again; Show of another program, Clear Overlay, Clear Program, New and Open take it "
     "off."},
    {"cmd-savegraph", "Save Graph As (File menu)",
     "Saves the graph as it is on screen, as a PNG picture or an SVG drawing by the name's extension, at "
     "the size it has on screen: the view, zoomed or not, the aux bits, the traces over the program and the "
     "legend, or the frequency response. For the whole program it is byte for byte what quillard-cli plot "
     "writes with --size of that size (and --aux, --log, --bode as on screen)."},
    {"cmd-evaluate-run", "Evaluate Run, Evaluated Run and Write Evaluation Report (File and View menus)",
     "Evaluates a test run's log over the current program: a sine with dwell against the published criteria "
     "(FMVSS No. 126; UN R140 and GB/T 30677 process the data the same way), or a slowly increasing steer "
     "for its steer angle at 0.3 g. The dialog takes the log (text with a header line, or a GPS/IMU "
     "logger's sectioned file), the evaluation (as the program's template says: its first comment line as "
     "the templates write it, else its statements; or chosen by hand), the yaw rate and lateral "
     "acceleration columns (by name or number; \"(automatic)\" finds them by name) and the acceleration's "
     "unit; for a sine with dwell A and the gross vehicle weight rating, for a slowly increasing steer the "
     "lateral accelerations the fit runs between. The current program is shown and the run evaluated. A "
     "sine with dwell is filtered (12-pole phaseless Butterworth: steer 10 Hz, yaw rate and lateral "
     "acceleration 6 Hz), zeroed over the second before the steer rate passes 75 deg/s, and BOS, COS, the "
     "peak yaw rate, the yaw rate ratios at COS + 1.000 s and COS + 1.750 s (at most 35 and 20 %) and the "
     "lateral displacement at BOS + 1.07 s (at least 1.83 m, 1.52 m above 3500 kg; judged from 5 A on) are "
     "found. The program's peak steer is the commanded amplitude; without A in the dialog the program's "
     "\"standard series, A ...\" note gives it. A slowly increasing steer is filtered and zeroed on the "
     "still time before the steer moves, and its steer is regressed on the lateral acceleration between 0.1 "
     "and 0.375 g as it rises: the steer at 0.3 g is read off the line (A is the mean of the series' "
     "absolute angles). The graph then shows the run instead of the program (View > Evaluated Run goes "
     "back and forth; Show of another program goes back): over the whole log, from before BOS to past COS + "
     "1.750 s, each channel on a strip of its own (steer with the program's over it, mirrored for a run "
     "steered the other way; yaw rate; lateral acceleration; lateral displacement), the limits as tinted "
     "bands where they are judged, every mark (BOS, COS, the check times) in a colour of its own and named; "
     "for a slowly increasing steer the fit beside the strips with the angle at 0.3 g. Zoom and pan move "
     "the time, Fit shows the whole log; the status line reads every channel at the mouse, and a click "
     "pins a cursor whose readings, and the mouse's, stand under the graph. The figures head the summary "
     "panel with what the verdict rests on: A and where it came from, the gross vehicle weight rating and "
     "its limit, whether the displacement was judged and why not. A sample or two far off both neighbours "
     "(a lost frame) is replaced before anything else and listed. Write Evaluation Report then writes a "
     "sine-with-dwell run's report as a PDF file: a first page with the verdict and the figures, and the "
     "run's page with its steer, yaw rate and lateral displacement over time."},
    {"cmd-evaluate-campaign", "Evaluate Campaign (File menu)",
     "Judges every run of a sine-with-dwell series on its log, as quillard-cli evaluate campaign does. The "
     "Runs page takes the run list that template --series ... --json writes, the logs (Add Files, or Add "
     "Folder for a folder's logs in the order of their names, numbers taken as numbers), how they pair "
     "with the runs (in the order given, by the file names, or by the set and program each log names), A "
     "(given; else the a_deg of evaluate sis --json's results; else the run list's), the gross vehicle "
     "weight rating (given; else the test information's; else the vehicle file's), the regulation named "
     "in the report, and whether the speed at BOS is stated rather than logged (a log without a speed "
     "channel is invalid otherwise). Evaluate fills the table: each run's state, first steer, commanded "
     "and measured amplitude, speed at BOS, yaw rate ratios and lateral displacement, each with its "
     "margin to its limit in brackets (negative by as much as it misses it), dropouts replaced and "
     "warnings, the row coloured by its state; under it the campaign's verdict and every reason in "
     "full. Open Run (or a double-click on a row) shows that run's graph and figures in the window as "
     "Evaluate Run does; Write Report writes the campaign's PDF report. The Test information page edits "
     "the campaign file (vehicle, VIN, test mass, GVWR, tyres, pressures, site, dates, surface, peak "
     "friction, ambient temperature, steering machine, operator) that evaluate campaign reads with --info, "
     "and opens and saves it. The fields are kept for the next time."},
    {"cmd-font", "Editor Font (File menu)", "Chooses the font of all 16 program editors."},
    {"cmd-print", "Print and Print Setup (File menu)",
     "Prints program texts and graphs. Each printed graph is labelled in the margin with its program and "
     "the set's file name; a program that does not compile is named in its empty slot."},
    {"cmd-exit", "Exit (File menu)",
     "Closes the window, asking first whether to save programs changed since the set was last opened or "
     "saved."},
    {"cmd-clear", "Clear Program #n (Edit menu)",
     "Puts the default program into the current program's editor, without asking, and clears the graph."},
    {"cmd-undo", "Undo and Redo (Edit menu)",
     "Undo (Ctrl+Z) takes back the last edit of the current program, Redo (Ctrl+Shift+Z or Ctrl+Y) does it "
     "again. Each program keeps its own history."},
    {"cmd-clipboard", "Cut, Copy, Paste, Select All (Edit menu)",
     "Work on the current editor: Ctrl+X, Ctrl+C, Ctrl+V and Ctrl+A."},
    {"cmd-template", "Insert Template (Edit menu, Ctrl+T)",
     "Writes a standard manoeuvre as program text: choose a template, set its parameters (the units and "
     "defaults are shown; a parameter's tooltip says what it is) and read the program in the preview. "
     "Insert puts its statements before the caret's line, Replace Program replaces the program chosen in "
     "\"Into program\" (the current one at first); either can be undone. Fill Series asks first, then "
     "fills the programs from that one on with one run each over amplitudes from, to and step times A "
     "(for example 1.5 to 6.5 A in steps of 0.5 A); the other programs keep their text. \"Standard "
     "series for A\" makes the standard sine-with-dwell series instead: 1.5 A in steps of 0.5 A up to "
     "the larger of 6.5 A and 270 deg, no run above 300 deg (or a lower maxsteer), the last run at that "
     "end; checking it raises a default maxsteer to 300. A series longer than the programs left goes into "
     "further sets: \"From run\" picks the first run of this one. The first comment line of each run "
     "says which run of how many it is. The templates' mark parameter pulses an aux flag (2 to 7) at the "
     "beginning and at the completion of steer, for the logger."},
    {"cmd-find", "Find, Replace and Go to Line (Edit menu)",
     "Find (Ctrl+F) looks for a text in the current program or, with \"In all 16 programs\", on through "
     "the following ones; letter case does not matter unless Match case is ticked, and Whole words skips "
     "matches inside longer words. Find Next (F3) and Find Previous (Shift+F3) go on from the caret, also "
     "with the dialog closed. Replace (Ctrl+H) replaces the match found and finds the next; Replace All "
     "replaces every match in the current program or in all 16 and says how many it replaced. Each "
     "program's replacements are one edit that Undo (Ctrl+Z) in that program takes back. Go to Line "
     "(Ctrl+G) puts the caret at the start of a line of the current program; a number past the last line "
     "goes to the last line."},
    {"cmd-slots", "Copy To, Move To, Swap With (Program menu)",
     "Copy To puts a copy of the current program into another slot, Move To moves it there and leaves the "
     "default program behind, Swap With lets the two programs change places. The list names each slot by "
     "its first line. A copy or a move over a program that holds more than the default text asks first. "
     "Each program changed can be restored with Undo in its own editor."},
    {"cmd-overlay-program", "Overlay Program and Clear Overlay (View menu)",
     "Overlay Program shows the current program and draws another one over it, from this set or from a "
     "set file chosen in the dialog (its program in the same slot is offered first), each in its own "
     "colour and named in the legend. Overlays follow zoom, pan and Fit and stay over later Shows. Clear "
     "Overlay takes the overlaid programs and the measured log off the graph; Clear Program, New and Open "
     "do too."},
    {"cmd-aux", "Aux ROM bits (View menu)",
     "Display Selected Aux ROM Bits (Ctrl+B) draws the chosen aux flags over the graph; Select Aux ROM Bits "
     "to Display chooses them and their colours."},
    {"cmd-show", "Show (Show button)",
     "Compiles the current program. Errors open the Messages window and nothing is drawn; warnings open it "
     "before the program is plotted. The trace is black, red where bit 15 (the roll-peak bit) is set, yellow "
     "after END and aqua after REPEATPROGRAM. Moving the mouse over the graph shows the time and angle in "
     "the status line, and at its left the step nearest the mouse: time, steer, clock rate, steer rate "
     "and the flags that are on. The panel beside the graph (View > Program Summary) lists the "
     "program's duration, steps used and time left, steer extremes, peak steer rate, end angle, clock "
     "rates, flag on-times, any flag the aux image holds on after END (also a notice: the machine stops "
     "with its outputs as the image holds them) and the time bit 15 (the roll-peak bit) is set; it greys "
     "out when the program is edited, and so does the graph, with a note saying why (also after another "
     "set was opened, or a Show that failed). A click on the graph pins a second cursor at the step "
     "nearest it; the line under the graph reads it out and, with the mouse over the graph, the time, "
     "steer and slope from it to the step under the mouse. A click on the pinned cursor takes it off. The "
     "splitter between the graph and the programs sets their share of the window, kept for the next "
     "start. The legend above the graph names the program, the traces over it and each aux bit drawn."},
    {"cmd-zoom", "Zoom, pan and Fit (graph, View menu)",
     "The mouse wheel zooms the graph about the mouse, both axes by the same factor; dragging with the left "
     "button moves it. Zoom In (Ctrl++) and Zoom Out (Ctrl+-) zoom about the middle. Fit Graph (Ctrl+0, or "
     "the Fit button over the graph) draws the graph as Show drew it. Resizing the window or showing or "
     "hiding the summary keeps the view. Frequency Response shows, for a sweep (SINESWEEP or "
     "SINESWEEPLOG) with a measured log over it, the gain and phase of the run instead of the program, as "
     "quillard-cli plot --bode draws them; choose it again to go back."},
    {"cmd-live", "Live Show (View menu)",
     "While Live Show is on, the current program is compiled and drawn again whenever typing pauses for "
     "150 ms, and when another tab comes to the front; a zoomed view stays where it is. No box opens: the "
     "first error, notice, ignored text or warning is shown on the line under the graph (hover over it "
     "for all of them; a program without any shows its duration), and the lines named are marked in the "
     "editor. While the text has errors the last good graph "
     "and summary stay, greyed. A measured log over the program is compared again at every compile; when "
     "it cannot be, it leaves the graph and the line under the graph says why. Show, Build, the exports "
     "and printing work as they do without it."},
    {"cmd-keys", "Next and Previous Program (Program menu), and Tab",
     "Ctrl+Tab or Ctrl+PgDown brings the next program's tab to the front, Ctrl+Shift+Tab or Ctrl+PgUp the "
     "previous one; Alt+0 to Alt+9 go to that program. Tab inserts blanks up to the next multiple of four "
     "columns, or indents the selected lines; Shift+Tab takes up to four blanks off them. A tab character "
     "in front of a function name would be read as part of its name."},
    {"cmd-build", "Build (Build menu, Build button)",
     "Compiles all 16 programs and writes the EPROM file (.bin, 524288 bytes) and the aux file (.aux, 262144 "
     "bytes) together. A program with errors opens the Messages window; the build goes on with the next "
     "program, and then neither file is written. With the steer-rate check on, one box lists the programs "
     "whose steer rate exceeds the limit, each with the time it first does. A file name that is the open "
     "set's own file is refused. After a successful build the Image Report lists the "
     "CRC-32 of both files and of every program's slot with the slot map, read back from the files; Copy "
     "puts it on the clipboard. Its check boxes write Intel HEX (name.hex, name.aux.hex) and S-record "
     "(name.srec, name.aux.srec) copies beside the files after every build; Write Copies Now writes them "
     "for the files just built, and Verify compares them with the set once they are read back. Build comes "
     "back to the tab it started on, and each notice it shows names its program."},
    {"cmd-verify", "Verify Images (Build menu)",
     "Asks for the EPROM image read back from the programmer (and the aux image beside it, which may be "
     "left out), builds the set in memory as Build does and compares them word by word, as quillard-cli "
     "verify does: the report says that they match, or for each program that differs how many words (and "
     "aux bytes) differ and the first of them with its step, time, expected and found steer and both "
     "words. Copy puts the report on the clipboard."},
    {"cmd-import", "Import (Import button)",
     "Brings a program in from a text file, a time-and-value file, one program of a .rom set or one slot of "
     "a .bin EPROM file."},
    {"cmd-export", "Export (Export button)",
     "Writes the current program as text or as a time-and-value file. A file that exists is replaced only "
     "when you say so; a name of blanks is refused."},
    {"cmd-help", "Help and About", "Help opens this window; About shows the version."},
};

QString Escape(const std::string &text) { return FromLatin1(text).toHtmlEscaped(); }

QString Contents() {
    QString html = "<h1>Quillard help</h1><h2>The program language</h2><ul>"
                   "<li><a href='language'>Writing a program</a></li>"
                   "<li><a href='functions'>Functions</a></li>"
                   "<li><a href='parameters'>Parameter ids</a></li>"
                   "<li><a href='rates'>Clock rates</a></li>"
                   "<li><a href='messages'>Messages</a></li>"
                   "<li><a href='examples'>Example programs</a></li></ul><h2>Commands</h2><ul>";
    for (const Command &command : Commands)
        html +=
            QString("<li><a href='%1'>%2</a></li>").arg(command.id, QString(command.title).toHtmlEscaped());
    return html + "</ul>";
}

QString Language() {
    return "<h1>Writing a program</h1>"
           "<p>Each of the 16 programs is a text of one statement per line. Letter case and blanks do not "
           "matter; text after <tt>;</tt> is a comment. A program starts with the steer limit and a begin "
           "line and ends with <tt>end</tt> (or <tt>repeatprogram</tt>):</p>"
           "<pre>maxsteer(100 deg)\nbegin\nsetrate(512 hz)\nstepto(10 deg, 1 sec)\n"
           "rampto(-20 deg, 2 sec) ; back\nsine(30 deg, 0.5 hz, 4 cycles)\nsetflag(3 bit, 50 %)\nend</pre>"
           "<p>A statement is a <a href='functions'>function</a> name with an optional list of parameters in "
           "parentheses, separated by commas. A parameter is a number followed by its "
           "<a href='parameters'>parameter id</a>. Only the first 100 characters of a line are read; at "
           "most seven parameters count. The machine runs 16384 clock steps per program at one of the "
           "<a href='rates'>clock rates</a>.</p>"
           "<p><tt>maxsteer(n deg)</tt> gives the steer limit in degrees; no angle of the program may go "
           "beyond it. Compiling starts with <tt>setrate(1024 hz)</tt> and <tt>stepto(0 deg)</tt> "
           "implied after the begin line.</p>"
           "<p>Some text is read as nothing, without a message, and the program does something other than "
           "the line seems to say: a list of one character (<tt>wait(5)</tt> waits 0 seconds), a list that "
           "no <tt>)</tt> closes (<tt>stepto(10 deg</tt> steps to 0), text after the <tt>)</tt>, a "
           "parameter the function has no use for (<tt>wait(1 sec, 5 hz)</tt>), and statements after "
           "<tt>repeatprogram</tt>. The editor underlines such text with a wavy orange line whose tooltip "
           "says why, Live Show lists it, and <tt>quillard-cli check</tt> reports it.</p>"
           "<p><a href='contents'>Contents</a></p>";
}

QString FunctionsPage() {
    QString html = "<h1>Functions</h1><table border='1' cellpadding='3'>"
                   "<tr><th>Function</th><th>Parameters</th><th>What it does</th></tr>";
    for (const Function &f : Functions)
        html += QString("<tr><td><tt>%1</tt></td><td>%2</td><td>%3</td></tr>")
                    .arg(f.name, QString(f.parameters).toHtmlEscaped(), QString(f.text).toHtmlEscaped());
    return html + "</table><p>The instant functions (SETRATE to PULSEBRAKE) take effect after their delay "
                  "without using time of their own.</p><p><a href='contents'>Contents</a></p>";
}

QString Parameters() {
    return "<h1>Parameter ids</h1><p>The first character after the number names the unit: "
           "<tt>10deg</tt>, <tt>10 d</tt> and <tt>10 degrees</tt> are the same.</p>"
           "<table border='1' cellpadding='3'><tr><th>Id</th><th>Unit</th></tr>"
           "<tr><td>D</td><td>degrees (angle, amplitude, phase)</td></tr>"
           "<tr><td>S</td><td>seconds (time, delay, pulse length)</td></tr>"
           "<tr><td>C</td><td>cycles</td></tr>"
           "<tr><td>H</td><td>hertz (frequency, clock rate)</td></tr>"
           "<tr><td>B</td><td>aux flag number, 1 to 8</td></tr>"
           "<tr><td>P or %</td><td>aux flag value in percent, 0 to 100</td></tr></table>"
           "<p>Numbers are decimal, with an optional sign, point and exponent (<tt>1.5</tt>, <tt>-2</tt>, "
           "<tt>1E3</tt>); clock rates, flag numbers and flag values are whole numbers.</p>"
           "<p><a href='contents'>Contents</a></p>";
}

QString Rates() {
    return "<h1>Clock rates</h1><p>The machine plays one step per clock tick. <tt>setrate</tt> chooses "
           "256, 512, 1024 or 2048 Hz; a program starts at 1024 Hz. A program holds 16384 steps: 64 s at "
           "256 Hz, 32 s at 512 Hz, 16 s at 1024 Hz and 8 s at 2048 Hz. A program longer than that fails "
           "with \"Ran out of steps\".</p><p><a href='contents'>Contents</a></p>";
}

// One example of every message, with the text it quotes.
struct MessageExample {
    Msg::Code code;
    const char *text;
};
const MessageExample MessageExamples[] = {{Msg::RanOutOfSteps, "15.999 seconds in WAIT function"},
                                          {Msg::MaxSteerNotBeforeBegin, ""},
                                          {Msg::NoMaxSteerNorBegin, ""},
                                          {Msg::NoBegin, ""},
                                          {Msg::InvalidFunction, "STPTO"},
                                          {Msg::MissingNumber, ""},
                                          {Msg::MissingParameterId, ""},
                                          {Msg::InvalidParameterId, "X"},
                                          {Msg::BadPhase, ""},
                                          {Msg::BadClockRate, ""},
                                          {Msg::BadAmplitude, ""},
                                          {Msg::BadSeconds, ""},
                                          {Msg::BadCycles, ""},
                                          {Msg::BadFrequency, ""},
                                          {Msg::Offscale, ""},
                                          {Msg::BadMaxSteerSyntax, ""},
                                          {Msg::BadMaxSteer, ""},
                                          {Msg::MaxSteerNotPositive, ""},
                                          {Msg::IllegalClockRate, ""},
                                          {Msg::NegativeWait, ""},
                                          {Msg::NegativeStepTime, ""},
                                          {Msg::RampTimeNotPositive, ""},
                                          {Msg::NegativeWaveTime, ""},
                                          {Msg::NegativeCycles, ""},
                                          {Msg::NegativeFrequency, ""},
                                          {Msg::ZeroWaveFrequency, ""},
                                          {Msg::ZeroLogSweepFrequency, ""},
                                          {Msg::ZeroSweepFrequencies, ""},
                                          {Msg::NegativeInitialSteer, ""},
                                          {Msg::TooManyParameters, "time"},
                                          {Msg::ParameterNotRecognized, "flag value percent"},
                                          {Msg::BadFlagNumber, ""},
                                          {Msg::BadFlagValue, ""},
                                          {Msg::NegativePulseTime, ""},
                                          {Msg::SetRateWithoutRate, ""},
                                          {Msg::CyclesSupersedeTime, ""},
                                          {Msg::EndAdded, ""},
                                          {Msg::ExtraMaxSteer, ""},
                                          {Msg::NoCyclesOrTime, ""},
                                          {Msg::NoSweepTime, ""},
                                          {Msg::SweepCyclesIgnored, ""},
                                          {Msg::CompiledOk, "15.999"}};

QString Messages() {
    QString html = "<h1>Messages</h1><p>Compiling a program lists its messages in the Messages window. "
                   "Codes below 100 are errors (the program is not plotted or built), 100 to 199 warnings, "
                   "200 and above information. Examples as they appear for line 7:</p>"
                   "<table border='1' cellpadding='3'><tr><th>Code</th><th>Level</th><th>Message</th></tr>";
    for (const MessageExample &e : MessageExamples) {
        const Severity level = SeverityOf(e.code);
        const int line = (e.code < Msg::InvalidFunction || level == Severity::Information) ? 0 : 7;
        html += QString("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                    .arg(e.code)
                    .arg(SeverityName(level))
                    .arg(Escape(MessageLine({line, e.code, e.text})));
    }
    return html +
           "</table><p>Errors found while the steps are generated name the function instead of a "
           "line, for example \"" +
           Escape(MessageLine({0, Msg::Offscale, "sine"})) + "\".</p><p><a href='contents'>Contents</a></p>";
}

// The example set that comes with Quillard: each program opens with a comment saying what it shows.
QString Examples() {
    InitHelpResources();
    QFile file(":/help/manoeuvres.rom");
    QString html = "<h1>Example programs</h1><p>These are the 16 programs of the example set "
                   "<tt>manoeuvres.rom</tt> (in the <tt>examples</tt> folder), real test manoeuvres that "
                   "compile without a message. Open the set to try them.</p>";
    if (!file.open(QIODevice::ReadOnly)) return html + "<p><a href='contents'>Contents</a></p>";
    const QByteArray bytes = file.readAll();
    const ProgramSet set = ParseProgramSet(SplitLines(std::string_view(bytes.constData(), bytes.size())));
    for (int k = 0; k < ProgramCount; ++k) {
        QString text;
        for (const std::string &line : set[k]) text += FromLatin1(line) + "\n";
        html += QString("<h2>Program %1</h2><pre>%2</pre>").arg(k).arg(text.toHtmlEscaped());
    }
    return html + "<p><a href='contents'>Contents</a></p>";
}

} // namespace

QString HelpPage(const QString &name) {
    if (name == "contents") return Contents();
    if (name == "language") return Language();
    if (name == "functions") return FunctionsPage();
    if (name == "parameters") return Parameters();
    if (name == "rates") return Rates();
    if (name == "messages") return Messages();
    if (name == "examples") return Examples();
    for (const Command &command : Commands)
        if (name == command.id)
            return QString("<h1>%1</h1><p>%2</p><p><a href='contents'>Contents</a></p>")
                .arg(QString(command.title).toHtmlEscaped(), QString(command.text).toHtmlEscaped());
    return Contents();
}

THelpWindow::THelpWindow(QWidget *parent) : QDialog(parent) {
    setObjectName("HelpWindow");
    setWindowTitle("Quillard Help");
    resize(720, 560);
    auto *layout = new QVBoxLayout(this);
    Browser = new QTextBrowser(this);
    Browser->setObjectName("HelpBrowser");
    Browser->setOpenLinks(false);
    layout->addWidget(Browser);
    connect(Browser, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { Browser->setHtml(HelpPage(url.toString())); });
}

void THelpWindow::ShowTopic(int context) {
    Q_UNUSED(context); // every context opens at the contents page
    Browser->setHtml(HelpPage("contents"));
    show();
    raise();
    activateWindow();
}
