// The program set and its file: 16 program texts behind "$$~PROG%2.2d" marker lines.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

constexpr int ProgramCount = 16;

using ProgramText = std::vector<std::string>;             // Latin-1 lines without line breaks
using ProgramSet = std::array<ProgramText, ProgramCount>; // programs 0 to 15

// "maxsteer(100 deg)", "begin", an empty line, "end".
ProgramText DefaultProgram();
// 16 default programs.
ProgramSet DefaultProgramSet();

// The marker line of program k: "$$~PROG" and k as two digits.
std::string ProgramMarker(int k);
// True for a line whose first 7 characters are "$$~PROG" (case-sensitive).
bool IsProgramMarker(std::string_view line);

// The file as written: the preamble's lines, then each program's marker and its lines, every line
// followed by CR LF.
std::string ProgramSetBytes(const ProgramSet &set, const ProgramText &preamble = {});

// The lines in front of the first program marker (a set's title, notes), as read; none when the
// bytes hold no marker.
ProgramText SetPreamble(std::string_view bytes);

// The set read from the lines of a file, built whole before it is returned. Programs are filled in
// marker order; a preamble before the first marker is skipped; programs after the last marker found
// hold one empty line each. Throws FormatError "Wrong file format!" when there is no marker or the
// only marker found first is the last line.
ProgramSet ParseProgramSet(const std::vector<std::string> &lines);
// ParseProgramSet on the bytes of a file, split into lines as it goes.
ProgramSet ParseProgramSetBytes(std::string_view bytes);

// The bytes of a set file with program k replaced by the program and every other byte kept: the
// preamble, the markers as written, the other programs and their line ends, anything after the 17th
// marker. A set with fewer markers gets markers up to k (the programs between holding one empty line,
// as they read without them). The lines written end in CR LF. Throws
// FormatError for bytes that are no set ("Wrong file format!"), a program line that is a marker, or a
// result that ReadProgramSet would refuse as too large.
std::string ReplaceProgramBytes(std::string_view bytes, int k, const ProgramText &program);

// What a reader of the bytes of a set file says when they hold more than 16 program markers, whose
// programs after the 16th no reader takes: "NAME holds 20 program markers; ... the programs of markers
// 17 to 20 were ignored ($$~PROG16 on line 69 to $$~PROG19 on line 81)". Empty for 16 or fewer.
std::string IgnoredMarkersNotice(const std::string &name, std::string_view bytes);

// ParseProgramSet on a file of at most 64 MiB and ProgramLineLimit lines. Throws FileError or
// FormatError. The notice, when asked for, receives IgnoredMarkersNotice naming the file.
ProgramSet ReadProgramSet(const std::string &path, std::string *notice = nullptr);
// The set and its preamble, as the window opens and saves a set file.
struct SetFileContents {
    ProgramText preamble;
    ProgramSet programs;
};
SetFileContents ReadSetFileContents(const std::string &path, std::string *notice = nullptr);

// Writes the set (after the preamble) atomically: the old file stays as it was when the write fails.
// Throws FileError.
void WriteProgramSet(const std::string &path, const ProgramSet &set, const ProgramText &preamble = {});
