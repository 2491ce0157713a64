// quillard-cli: the usage text of --help and the help of each template.
#include "cli/cli.h"

#include <cstdio>

namespace {

const char *const Usage = R"(Usage: quillard-cli COMMAND FILE [options]

Commands:
  check FILE [--program N] [--summary] [--json] [COMPILE OPTIONS]
      Compile a program; print the Messages text, with --summary followed by the program
      summary (duration, steps used, steer extremes, peak steer rate, rates, flags).
  steps FILE [--program N] [--format csv|mat] [-o OUT] [COMPILE OPTIONS]
      Compile a program; print its 16384 steps as CSV, or write them to OUT as CSV or as a
      MATLAB file (--format mat).
  build SET.rom -o OUT.bin [--report] [--hex] [--srec] [--json] [COMPILE OPTIONS]
      Build the 16 programs of a set into OUT.bin and OUT.aux. --report prints the CRC-32s
      and the slot map of the files written; --hex and --srec also write Intel HEX
      (OUT.hex, OUT.aux.hex) and Motorola S-record (OUT.srec, OUT.aux.srec) copies.
  export FILE [--program N] --format text|tv -o OUT [COMPILE OPTIONS]
      Write a program as text or as a time-and-value file.
  import --type text|tv|rom|bin FILE [--program N] [--rate HZ] [--maxsteer DEG] [--mode MODE]
      Print the lines an import would produce (--rate 256, 512, 1024 or 2048; --maxsteer 0 to
      2000; --mode replace or insert).
  plot FILE [--program N] -o OUT.png|OUT.svg [--size WxH] [--aux 1,8] [COMPILE OPTIONS]
  plot FILE [--program N] -o OUT.png|OUT.svg --log RUN.csv [LOG OPTIONS] [--bode]
      Draw the program graph as Show does, to a PNG or SVG image; with --log the measured
      steer over it, with --bode instead the frequency response of a sweep program.
  compare FILE [--program N] --log RUN.csv [LOG OPTIONS] [--json] [--mat OUT.mat]
      Compare a measured log with the program: delay, gain, offset, RMS and peak error,
      overshoot of each step and, for a sweep, the frequency response. --json prints one JSON
      document; --mat also writes the compared data and figures as a MATLAB file. Takes the
      COMPILE OPTIONS.
  diff A B [--program N] [--text] [--json] [COMPILE OPTIONS]
      Compare two sets (or two programs) program by program: whether the texts differ (--text
      prints a unified diff of them) and whether the compiled steps differ: the first differing
      step, the largest steer difference and the change of duration. Exit 0 when every program
      compiles to identical steps in both, 1 otherwise. --program compares one program only.
  template NAME [--PARAMETER VALUE ...]
      Print the program text of a manoeuvre template. template NAME --help lists its
      parameters with their units, defaults and ranges.
  template NAME --series FROM:TO:STEP [--PARAMETER VALUE ...] -o SET.rom [--json]
      Write the template over the amplitudes FROM to TO in steps of STEP (degrees, or multiples
      of A with --amplitude A) as programs 0, 1, ... of a set; the other programs are default
      programs. A series of more than 16 runs is written as SET-1.rom, SET-2.rom, ... and its
      run list printed.
  template sine-with-dwell --series standard --amplitude A|--amplitude-from SIS.json [...] -o SET.rom [--json]
      The standard series: 1.5 A in steps of 0.5 A up to the larger of 6.5 A and 270 deg, no
      run above 300 deg (or a lower --maxsteer), and where a step would pass that end, the last
      run is at it; maxsteer 300 unless given. The run list is printed. --amplitude-from takes A
      from the a_deg of evaluate sis --json.
  template --list [--json]
      List the templates with their parameters, units and defaults.
  put SET.rom --program N FILE
  put SET.rom --program N --template NAME [--PARAMETER VALUE ...]
  put SET.rom --program N --from OTHER.rom [--source-program M]
      Replace program N of a set with a program text, a template, or program M (default N) of
      another set; the other 15 programs stay byte for byte. A new set of default programs is
      made when SET.rom does not exist.
  verify SET.rom IMAGE.bin [--aux IMAGE.aux] [--json] [COMPILE OPTIONS]
      Rebuild the set and compare it word by word with an EPROM image (and an aux image)
      read back from the programmer: the first difference of each program that differs, with
      its step, time, and expected and found steer. Exit 0 when they match, 1 when they differ.
  evaluate sis RUN... [--fit-low G] [--fit-high G] [VEHICLE LOG OPTIONS] [--json]
      The steer angle at 0.3 g of each slowly increasing steer run, by a regression of steer on
      lateral acceleration over the rising part from --fit-low to --fit-high (0.1 and 0.375 g),
      and A: the mean of their absolute values, to 0.1 deg (a_deg in JSON).
  evaluate swd RUN [--program-file SET.rom --program N] [--amplitude-a A | --amplitude-from SIS.json]
                   [--gvwr KG] [VEHICLE LOG OPTIONS] [--json]
      Judge a sine-with-dwell run: filter, zero, BOS, COS, the peak yaw rate, the yaw rate ratios
      at COS + 1.000 s and COS + 1.750 s (at most 35 and 20 %) and the lateral displacement at
      BOS + 1.07 s (at least 1.83 m, 1.52 m above 3500 kg; judged in runs of 5 A or more). Exit 1
      when the run fails.
  evaluate campaign RUNS.json LOG... [--amplitude-a A | --amplitude-from SIS.json] [--gvwr KG]
                   [--vehicle-name TEXT] [-o REPORT.pdf] [--csv TABLE.csv] [VEHICLE LOG OPTIONS] [--json]
      Judge every run of a series: RUNS.json is the run list of template --series ... --json, with
      one log per run in run order. Writes the table as CSV and a PDF report (a first page with A,
      the vehicle and every run, then a page per run). Exit 1 when a run fails or gives no verdict.
  simulate FILE [--program N] -o LOG.csv [--runs N] [--vehicle CAR.txt] [--sample-rate HZ] [--tail S]
  simulate --template NAME [--PARAMETER VALUE ...] -o LOG.csv [--runs N] [...]
  simulate --run-list RUNS.json -o LOG.csv [--vehicle CAR.txt] [--sample-rate HZ] [--tail S]
  simulate --default-vehicle
      Drive the rehearsal vehicle (a single-track model for dry runs, not a prediction of record)
      with the program (or a template's) and write its log: time, steer, yaw rate, lateral
      acceleration, speed.
      --runs N writes LOG-1.csv ... LOG-N.csv, every second run steered the other way; --run-list
      one log per run of a series (LOG-01.csv, ...). --default-vehicle prints the default car's
      parameter file, to copy and change for --vehicle. --sample-rate 200, --tail 3 (seconds
      logged after the program's end) unless given.

FILE is a program-set file (name ending in .rom; --program picks the program, 0 to 15)
or a program text file.

COMPILE OPTIONS (every command that compiles):
  --machine corvan3      Corvan 3 only
  --machine compatible   Corvan 1, 2 and 3
                         Without --machine the setting of quildf.txt in the current directory is
                         used when it exists, else Corvan 3 only.
  --max-rate R           steer-rate limit in deg/s: a compile whose steer rate between two
                         steps exceeds it writes a notice to stderr (0, the default: no check)
  --strict               exit 1 when a compile raises a warning or a notice (steer rate, end
                         angle, recycle step, high current, a flag on after the end) or a set
                         file has program markers past the 16th; the texts are as without it

  --json                 one JSON document on standard output instead of the text
Numbers may carry the unit the program language would read: 50deg, 0.7hz, 2sec, 720deg/s.
Templates take --mark F: aux flag F (2 to 7) pulses at the beginning and at the completion of
steer, for a logger's channel.

LOG OPTIONS (a log is text with a header line; tab, semicolon, comma or blank separated):
  --time-column C        time column: header name or number from 1 (default: "time...", else 1)
  --steer-column C       steer column (default: the first named "...steer...", else 2)
  --mark-column C        aux-flag channel: align the log by the flag's first rising edge
  --mark-flag F          the program's flag (1 to 8) that the mark logs (default: its only flag)
  --time-unit s|ms       unit of the time column (default: a "[ms]" in its name, else s)
  --angle-unit deg|rad   unit of the steer column (default: a "[rad]" in its name, else deg)
Without --mark-column the log's time 0 is the program's start, so the lag found is the delay.

VEHICLE LOG OPTIONS (evaluate): --time-column, --steer-column, --time-unit, --angle-unit and
  --yaw-column C         yaw rate (default: the first column named "...yaw..."; deg/s, or [rad/s])
  --ay-column C          lateral acceleration (default: "...lat...acc..." or "ay")
  --ay-unit g|m/s2       its unit where the header does not say (default g)
  --speed-column C       speed, optional (default: "speed" or "velocity"; km/h, or [m/s], [mph])
  --roll-column C        roll angle, optional (default: "...roll..."; deg, or [rad])
Logs may also be the sectioned text files of GPS/IMU loggers ([header] ... [column names],
[data]; their UTC times become seconds from the first row). A sample or two of a channel far off
both neighbours and back (a lost frame) is replaced by interpolation before anything else, and
listed; compare does the same with the steer.

Exit status: 0 success; 1 a compile or build failed, images or sets differ, a run fails a
criterion, or --strict found a warning or notice; 2 bad usage or a file that could not be read or written.

  --help             print this text
  --version          print the version
  --bash-completion  print the bash completion script of quillard-cli
)";

} // namespace

std::string UsageText() { return Usage; }

std::string TemplateHelpText(const ManoeuvreTemplate &t) {
    std::string text =
        "Usage: quillard-cli template " + t.name + " [--PARAMETER VALUE ...] [--series FROM:TO:STEP" +
        (t.name == "sine-with-dwell" ? "|standard" : "") + " -o SET.rom]\n\n" + t.title + ": " +
        t.description + "\n\nParameters (a value may carry its unit: --" + t.parameters.front().name + " " +
        Format("%g", t.parameters.front().defaultValue) + t.parameters.front().unit + "):\n";
    text += Format("  %-19s %-7s %-8s %s\n", "parameter", "unit", "default", "range");
    for (const TemplateParameter &p : t.parameters) {
        text += Format("  --%-17s %-7s %-8g ", p.name.c_str(), p.unit.c_str(), p.defaultValue) +
                RangeText(p) + "\n";
        text += std::string(22, ' ') + p.description + "\n";
    }
    return text;
}
