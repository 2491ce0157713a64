// Text of a statement that the compiler reads as nothing, without a message: a list of one character,
// a list that no ")" closes, text after the ")", a parameter the function has no use for, a statement
// after REPEATPROGRAM. Such a program compiles with the language's meaning, which is not what its line
// seems to say; the editor, Live Show and `quillard-cli check` point at it. The compile is not touched.
#pragma once

#include <string>
#include <vector>

struct IgnoredText {
    int line = 0;     // 1-based program line
    int start = 0;    // the ignored characters of the line as typed: first one, from 0
    int length = 0;   //   and how many
    std::string what; // those characters as typed, blanks at either end removed
    std::string why;  // "a list of one character is not read", "WAIT takes no frequency", ...
};

// Every such text of a program, in line order; lines the compiler never reads (before begin, after
// END, beyond the 100th character, comments) are not looked at.
std::vector<IgnoredText> FindIgnoredText(const std::vector<std::string> &lines);

// One line of it: Line 4: "5" is ignored: a list of one character is not read
std::string IgnoredTextLine(const IgnoredText &ignored);
