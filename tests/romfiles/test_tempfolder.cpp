// A folder of its own under the system's temporary folder.
#include "romfiles/fileio.h"
#include "romfiles/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(TempFolder, AFolderOfItsOwnGoesWithEverythingInIt) {
    std::string path;
    {
        const TempFolder one("quillard-test"), two("quillard-test");
        path = one.path();
        EXPECT_NE(one.path(), two.path());
        EXPECT_EQ(fs::path(path).parent_path(), fs::temp_directory_path());
        EXPECT_EQ(fs::path(path).filename().string().rfind("quillard-test-", 0), 0u);
        WriteFileAtomically(one / "a.bin", "x");
        fs::create_directory(one / "sub");
        WriteFileAtomically(one / "sub/b.bin", "y");
    }
    EXPECT_FALSE(fs::exists(path));
}
