// Fuzz target: the EPROM importer on the bytes of a ".bin" file.
// Input: a mode byte (bit 0: Insert; bit 1: the input alone is the file, else zero bytes fill the
// slots before the chosen one), the program byte (0 to 15), the maximum steer as two bytes (0 to
// 2000 degrees), then the bytes of the program's slot.
#include "files/fileio.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/build.h"
#include "romfiles/importers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.Byte();
    ImportOptions options;
    options.mode = (mode & 1) != 0 ? ImportMode::Insert : ImportMode::Replace;
    options.program = input.Byte() % ProgramCount;
    options.maxSteer = input.Word() % 2001;

    std::string file;
    if ((mode & 2) == 0) file.assign(MainImageBytes * static_cast<std::size_t>(options.program), '\0');
    file += input.Rest();

    std::vector<std::string> lines;
    try {
        lines = EpromLines(file, options);
    } catch (const FormatError &) {
        return 0;
    }
    // A header, at most four statements per word of the slot, and "End".
    FUZZ_CHECK(lines.size() >= 4 && lines.size() <= 4 * StepCount + 4);
    FUZZ_CHECK(lines.back() == "End");
    return 0;
}
