// A folder of its own under the system's temporary folder.
#include "romfiles/tempfolder.h"

#include "romfiles/fileio.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

TempFolder::TempFolder(const std::string &prefix) {
    const std::filesystem::path parent = std::filesystem::temp_directory_path();
    std::string pattern = (parent / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) ThrowFileError("create a folder in", parent.string(), errno);
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
