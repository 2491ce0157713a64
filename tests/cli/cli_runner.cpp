// Runs quillard-cli in a temporary folder and captures what it prints.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {
std::string Quote(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
std::string Slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}
} // namespace

CliFolder::CliFolder() {
    std::random_device random;
    m_path = fs::temp_directory_path() / ("quillard-cli-" + std::to_string(random()));
    fs::create_directories(m_path);
}

CliFolder::~CliFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

fs::path CliFolder::Write(const std::string &name, const std::string &bytes) const {
    fs::path file = m_path / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string CliFolder::Read(const std::string &name) const { return Slurp(m_path / name); }

CliResult CliFolder::Run(const std::vector<std::string> &arguments, const std::string &stdoutTo) const {
    std::string command = "cd " + Quote(m_path.string()) + " && " + Quote(QUILLARD_CLI);
    for (const auto &argument : arguments) command += " " + Quote(argument);
    command += (stdoutTo.empty() ? " >" + Quote((m_path / ".out").string()) : " " + stdoutTo) + " 2>" +
               Quote((m_path / ".err").string()) + " </dev/null";
    int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = Slurp(m_path / ".out");
    result.err = Slurp(m_path / ".err");
    std::error_code ignored;
    fs::remove(m_path / ".out", ignored);
    fs::remove(m_path / ".err", ignored);
    return result;
}

std::string CrLf(const std::vector<std::string> &lines) {
    std::string text;
    for (const auto &line : lines) text += line + "\r\n";
    return text;
}

bool MakeSeries(const CliFolder &folder, const std::string &tail) {
    return folder.Run({"template", "sine-with-dwell", "--series", "40:60:20", "--maxsteer", "300", "--lead",
                       "2", "-o", "swd.rom", "--json"},
                      ">runs.json")
                   .status == 0 &&
           folder.Run({"simulate", "--run-list", "runs.json", "-o", "swd.csv", "--tail", tail}).status == 0;
}

nlohmann::json CampaignJson(const CliFolder &folder, const std::vector<std::string> &more, int status) {
    std::vector<std::string> arguments{"evaluate", "campaign", "runs.json"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back("--json");
    const CliResult r = folder.Run(arguments);
    EXPECT_EQ(r.status, status) << r.err;
    return r.out.empty() ? nlohmann::json() : nlohmann::json::parse(r.out);
}
