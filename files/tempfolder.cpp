// A folder of its own under the system's temporary folder.
#include "files/tempfolder.h"

#include "files/fileio.h"
#include "files/fileio_posix.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

TempFolder::TempFolder(const std::string &prefix) {
    const std::filesystem::path parent = std::filesystem::temp_directory_path();
    std::string pattern = (parent / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) ThrowFileError("create a folder in", parent.string(), errno);
    m_path = pattern;
    m_slots.push_back(RegisterStopRemoval(m_path, true));
}

TempFolder::~TempFolder() {
    for (int slot : m_slots) ForgetStopRemoval(slot);
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::File(const std::string &name) {
    const std::string path = *this / name;
    if (std::find(m_files.begin(), m_files.end(), name) == m_files.end()) {
        m_files.push_back(name);
        m_slots.push_back(RegisterStopRemoval(path, false));
    }
    return path;
}
