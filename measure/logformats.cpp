// Log files told by their leading bytes: text, MATLAB level 5, and the formats that are refused by name.
#include "measure/logformats.h"

#include "files/fileio.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::size_t EpromSize = 524288, AuxSize = 262144;

bool At(std::string_view bytes, std::size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() && bytes.substr(offset, magic.size()) == magic;
}

// "4.10" from an MDF file's identification block ("MDF     4.10    ").
std::string MdfVersion(std::string_view bytes) {
    std::string version(bytes.substr(8, std::min<std::size_t>(8, bytes.size() > 8 ? bytes.size() - 8 : 0)));
    while (!version.empty() && (version.back() == ' ' || version.back() == '\0')) version.pop_back();
    return version;
}

// A zip container: a workbook, a document or an archive, by the names of its first entries.
std::string ZipName(std::string_view start) {
    if (start.find("xl/") != std::string_view::npos) return "an Excel workbook (xlsx, a zip container)";
    if (start.find("content.xml") != std::string_view::npos ||
        start.find("opendocument") != std::string_view::npos)
        return "an OpenDocument file (a zip container)";
    return "a zip archive";
}

// Bytes that no text log holds: NUL, control characters other than tab, line ends and form feed, and
// more bytes above 127 than the accented letters of a Latin-1 or UTF-8 text (an erased EPROM is 0xFF).
bool LooksBinary(std::string_view start) {
    const std::size_t n = std::min<std::size_t>(start.size(), 4096);
    std::size_t controls = 0, high = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(start[i]);
        if (c == 0) return true;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1a) ++controls;
        if (c >= 0x80) ++high;
    }
    return controls > n / 100 + 1 || high > n / 3;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The first line of the text that is not blank, without its line end.
std::string_view FirstLine(std::string_view text) {
    std::size_t at = text.find_first_not_of(" \t\r\n");
    if (at == std::string_view::npos) return {};
    const std::size_t end = text.find_first_of("\r\n", at);
    return text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// Text files that are no logs: Quillard's own images and sets, and documents of other kinds.
std::string TextFormatName(std::string_view start) {
    if (start.starts_with("\xef\xbb\xbf")) start.remove_prefix(3);
    const std::string_view line = FirstLine(start);
    auto allHex = [&](std::size_t from) {
        return line.size() > from + 2 &&
               std::all_of(line.begin() + static_cast<std::ptrdiff_t>(from), line.end(), IsHex);
    };
    if (line.starts_with(':') && allHex(1)) return "an Intel HEX image";
    if (line.size() > 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9' && allHex(2))
        return "a Motorola S-record image";
    if (start.substr(0, 4096).find("$$~PROG") != std::string_view::npos) return "a program set (.rom)";
    if (line.starts_with("{") || line.starts_with("[{") || line == "[") return "a JSON document";
    if (line.starts_with("<?xml") || line.starts_with("<html") || line.starts_with("<!DOCTYPE"))
        return "an XML or HTML document";
    return "";
}

} // namespace

LogFileKind RecogniseLogBytes(std::string_view start, std::size_t fileSize) {
    using enum LogBytes;
    if (At(start, 0, "MATLAB 7.3 MAT-file") || At(start, 0, "\x89HDF\r\n\x1a\n") ||
        At(start, 512, "\x89HDF\r\n\x1a\n"))
        return {Other, "a MATLAB 7.3 file (HDF5)"};
    if (At(start, 0, "MATLAB 5.0 MAT-file") && (At(start, 126, "IM") || At(start, 126, "MI")))
        return {Mat5, "a MATLAB level 5 file"};
    if (At(start, 0, "MDF     ")) {
        const std::string version = MdfVersion(start);
        return {Other, "an MDF " + version.substr(0, 1) + " file (version " + version + ")"};
    }
    if (At(start, 0, "\xff\xfe") || At(start, 0, "\xfe\xff")) return {Utf16Text, ""};
    if (At(start, 0, "PK\x03\x04")) return {Other, ZipName(start.substr(0, 4096))};
    if (At(start, 0, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"))
        return {Other, "an Excel 97-2003 workbook (xls, a compound file)"};
    if (At(start, 0, "\x1f\x8b")) return {Other, "a gzip-compressed file (decompress it first)"};
    if (At(start, 0, "%PDF")) return {Other, "a PDF document"};
    if (At(start, 0, "\x89PNG")) return {Other, "a PNG picture"};
    if (At(start, 0, "SQLite format 3")) return {Other, "an SQLite database"};
    if (LooksBinary(start)) {
        if (fileSize == EpromSize) return {Other, "an EPROM image (.bin) of a set"};
        if (fileSize == AuxSize) return {Other, "an aux image (.aux) of a set"};
        return {Other, "a binary file"};
    }
    if (std::string name = TextFormatName(start); !name.empty()) return {Other, name};
    return {Text, ""};
}

bool ReadsMatFiles() {
#if QUILLARD_MAT_FILES
    return true;
#else
    return false;
#endif
}

void RefuseLogFormat(const std::string &name, bool readElsewhere) {
    throw FormatError(
        std::string("not a log format Quillard reads") + (readElsewhere ? " here" : "") + ": " + name +
        (ReadsMatFiles() ? " (export it as CSV, text or MAT level 5)" : " (export it as CSV or text)"));
}
