// The formats of a log file told by its leading bytes: the text and MATLAB files the reader takes, and
// the binary and container files it names and refuses.
#pragma once

#include <string>
#include <string_view>

enum class LogBytes { Text, Utf16Text, Mat5, Other };

struct LogFileKind {
    LogBytes bytes = LogBytes::Text;
    std::string name; // of another format: "an MDF 4 file (version 4.10)"; empty for text
};

// What the leading bytes (the first few KiB are enough) say the file is. The file's size tells an EPROM
// or aux image from another binary file.
LogFileKind RecogniseLogBytes(std::string_view start, std::size_t fileSize);

// Whether this build reads MATLAB files (the browser edition is built without them).
bool ReadsMatFiles();

// The FormatError thrown for a file of a format the reader does not take, naming it: "not a log format
// Quillard reads: an MDF 4 file (version 4.10) (export it as CSV, text or MAT level 5)"; "reads here" for
// a format that other builds read.
[[noreturn]] void RefuseLogFormat(const std::string &name, bool readElsewhere = false);
