// Fuzz target: the time-and-value importer on the lines of a file.
// Input: a mode byte (bit 0: Insert; bits 1-2: the step rate 256 to 2048 Hz), the maximum steer as
// two bytes (0 to 2000 degrees), then the file's bytes.
#include "files/fileio.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/importers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.Byte();
    ImportOptions options;
    options.mode = (mode & 1) != 0 ? ImportMode::Insert : ImportMode::Replace;
    options.rate = 256 << ((mode >> 1) & 3);
    options.maxSteer = input.Word() % 2001;

    std::vector<std::string> lines;
    try {
        lines = TimeValueLines(SplitLines(input.Rest()), options);
    } catch (const FormatError &) {
        return 0;
    }
    FUZZ_CHECK(!lines.empty());
    if (options.mode == ImportMode::Replace) {
        FUZZ_CHECK(lines.front().starts_with("maxsteer("));
        FUZZ_CHECK(lines.back() == "end");
    }
    // Every number written is one the compiler can read.
    for (const std::string &line : lines)
        FUZZ_CHECK(line.find("inf") == std::string::npos && line.find("nan") == std::string::npos);
    return 0;
}
