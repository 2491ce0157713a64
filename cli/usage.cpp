// quillard-cli: the usage text of --help and the help of each template.
#include "cli/cli.h"

#include <cstdio>

namespace {

const char *const Usage = R"(Usage: quillard-cli COMMAND FILE [options]

Commands:
  check FILE [--program N] [--summary] [--json] [COMPILE OPTIONS]
      Compile a program; print the Messages text, with --summary followed by the program
      summary (duration, steps used, steer extremes, peak steer rate, rates, flags). A set
      without --program: all 16 programs, each under "Program #n:"; exit 1 when any fails.
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
  template sine-with-dwell --series standard --amplitude A [...] -o SET.rom [--json]
      The standard series: 1.5 A in steps of 0.5 A up to the larger of 6.5 A and 270 deg, no
      run above 300 deg (or a lower --maxsteer), and where a step would pass that end, the last
      run is at it; maxsteer 300 unless given. The run list is printed.
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
                         angle, recycle step, high current); the texts are as without it

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

Exit status: 0 success; 1 a compile or build failed, images or sets differ, or --strict found a
warning or notice; 2 bad usage or a file that could not be read or written.

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
