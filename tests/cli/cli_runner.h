// Runs quillard-cli in a temporary folder and captures what it prints.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CliFolder {
public:
    CliFolder();
    ~CliFolder();
    const std::filesystem::path &path() const { return m_path; }
    // Writes a file of the given bytes into the folder and returns its path.
    std::filesystem::path Write(const std::string &name, const std::string &bytes) const;
    std::string Read(const std::string &name) const;
    // Runs the CLI with the folder as working directory; arguments are passed unquoted-safe. A
    // redirection of stdout (">/dev/full", ">&-") replaces its capture.
    CliResult Run(const std::vector<std::string> &arguments, const std::string &stdoutTo = "") const;

private:
    std::filesystem::path m_path;
};

// The lines joined with CR LF after each, as the application writes text.
std::string CrLf(const std::vector<std::string> &lines);

// A series of two runs, 40 and 60 deg, in runs.json and swd.rom, and their logs swd-1.csv and swd-2.csv
// of the default car, logged for the tail (s) after each program's end. False when a step fails.
bool MakeSeries(const CliFolder &folder, const std::string &tail = "3");

// evaluate campaign runs.json MORE... --json in the folder, expecting the exit status: its document, null
// when it printed none.
nlohmann::json CampaignJson(const CliFolder &folder, const std::vector<std::string> &more, int status = 0);
