// Fuzz target: the program-set reader (Open) and the ".rom" importer on the bytes of a file.
// A set that was read, written and read again is the same set.
#include "files/fileio.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/importers.h"
#include "romfiles/programset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const FuzzInput input(data, size);
    const std::vector<std::string> lines = SplitLines(input.Rest());
    for (int k = 0; k < ProgramCount; ++k) {
        try {
            ProgramFromSetLines(lines, k);
        } catch (const FormatError &) {
        }
    }

    ProgramSet set;
    try {
        set = ParseProgramSet(lines);
    } catch (const FormatError &) {
        return 0;
    }
    // An empty last program is written as the file's last line, its marker, which reads back as
    // one empty line.
    ProgramSet expected = set;
    if (expected[ProgramCount - 1].empty()) expected[ProgramCount - 1] = {""};
    FUZZ_CHECK(ParseProgramSet(SplitLines(ProgramSetBytes(set))) == expected);
    return 0;
}
