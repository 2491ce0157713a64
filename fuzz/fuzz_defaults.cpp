// Fuzz target: the defaults-file reader on the bytes of a file, and the search for an existing
// folder that the Preferences dialog runs on each directory read. Whatever was read is written
// and read back unchanged.
#include "files/fileio.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/defaults.h"

namespace {
const std::string StartupDir = "/quillard-fuzz-start";

bool Same(const Defaults &a, const Defaults &b) {
    return a.programDir == b.programDir && a.textDir == b.textDir && a.epromDir == b.epromDir &&
           a.corvan3Only == b.corvan3Only;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const FuzzInput input(data, size);
    const Defaults defaults = ParseDefaults(SplitLines(input.Rest()), StartupDir);
    for (const std::string *dir : {&defaults.programDir, &defaults.textDir, &defaults.epromDir}) {
        FUZZ_CHECK(!dir->empty());
        CutToExistingAncestor(*dir, StartupDir);
    }
    const Defaults reread = ParseDefaults(SplitLines(JoinLinesCrLf(DefaultsLines(defaults))), StartupDir);
    FUZZ_CHECK(Same(reread, defaults));
    return 0;
}
