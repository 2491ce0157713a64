// A folder of its own under the system's temporary folder, removed with everything in it when it goes.
#pragma once

#include <string>

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

private:
    std::string m_path;
};
