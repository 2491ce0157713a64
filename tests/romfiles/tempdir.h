// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include "romfiles/tempfolder.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

class TempDir : public TempFolder {
public:
    TempDir() : TempFolder("quillard-romfiles") {}
    // Names of the entries of the folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};
