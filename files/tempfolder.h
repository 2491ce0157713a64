// A folder of its own under the system's temporary folder, removed with everything in it when it goes,
// and also when SIGINT, SIGTERM or SIGHUP stops the process.
#pragma once

#include <string>
#include <vector>

class TempFolder {
public:
    // Makes "<temporary folder>/<prefix>-XXXXXX"; throws FileError ("cannot create a folder in /tmp:
    // ...") when it cannot.
    explicit TempFolder(const std::string &prefix);
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return m_path; }
    // The path of a file in the folder.
    std::string operator/(const std::string &name) const { return m_path + "/" + name; }
    // The path of a file in the folder that a stopping signal removes as well, so that the folder goes
    // with it: a signal's handler can remove only what it was told of, and a folder only once it is
    // empty. The files the process keeps there are named through here.
    std::string File(const std::string &name);

private:
    std::string m_path;
    std::vector<std::string> m_files; // named through File
    std::vector<int> m_slots;         // in the signal clean-up table: the folder's and its files'
};
