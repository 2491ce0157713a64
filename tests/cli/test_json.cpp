// The JSON of every command parses back, and the file names in it give back their bytes: a UTF-8 name
// as it is, a Latin-1 byte as the escape of its value.
#include "cli/cli_runner.h"
#include "compiler/compile_text.h"
#include "measure/synthetic_log.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"
#include "romfiles/templates.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

namespace {

using Json = nlohmann::ordered_json;

// The bytes of every string in a JSON text, read by the rule the documents are written by: characters
// as their UTF-8, \u0080 to \u00ff as the one byte of that value.
std::set<std::string> StringBytes(const std::string &text) {
    std::set<std::string> strings;
    for (std::size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 1)) {
        std::string bytes;
        for (++at; text[at] != '"'; ++at) {
            if (text[at] != '\\') {
                bytes += text[at];
                continue;
            }
            const char escaped = text[++at];
            if (escaped == 'u') {
                const unsigned value = std::stoul(text.substr(at + 1, 4), nullptr, 16);
                EXPECT_LT(value, 0x100u) << "only control characters and bytes are escaped";
                bytes += static_cast<char>(value);
                at += 4;
            } else {
                bytes += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            }
        }
        strings.insert(bytes);
    }
    return strings;
}

TEST(CliJson, FileNamesReadBackByteForByte) {
    CliFolder folder;
    const ProgramText sid = TemplateProgram("sine-with-dwell", {{"amplitude", 60}});
    ASSERT_TRUE(CompileProgram(TestCompiler(), sid));
    const std::string log =
        SyntheticLog(CommandedFrom(TestCompiler()), TestCompiler(), MakeRun(0.03, 1, 0, 0, 200));
    // "Prüfung" in UTF-8, and in Latin-1, which is not UTF-8.
    for (const std::string name : {"Pr\xc3\xbc"
                                   "fung",
                                   "Pr\xfc"
                                   "fung"}) {
        SCOPED_TRACE(name);
        ProgramSet set = DefaultProgramSet();
        set[3] = sid;
        folder.Write(name + ".rom", ProgramSetBytes(set));
        folder.Write(name + ".txt", CrLf(sid));
        folder.Write(name + ".csv", log);
        const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> runs{
            {{"check", name + ".rom", "--program", "3", "--json"}, {name + ".rom"}},
            {{"build", name + ".rom", "-o", name + ".bin", "--json"},
             {name + ".rom", name + ".bin", name + ".aux"}},
            {{"verify", name + ".rom", name + ".bin", "--aux", name + ".aux", "--json"},
             {name + ".rom", name + ".bin", name + ".aux"}},
            {{"template", "sine-with-dwell", "--series", "30:60:10", "-o", name + "-s.rom", "--json"},
             {name + "-s.rom"}},
            {{"diff", name + ".rom", name + ".txt", "--program", "3", "--json"},
             {name + ".rom", name + ".txt"}},
            {{"compare", name + ".txt", "--log", name + ".csv", "--json"}, {name + ".txt", name + ".csv"}},
        };
        for (const auto &[arguments, names] : runs) {
            const CliResult result = folder.Run(arguments);
            ASSERT_EQ(result.status, 0) << arguments[0] << ": " << result.err;
            const Json document = Json::parse(result.out); // valid JSON, whatever the names
            const std::set<std::string> strings = StringBytes(result.out);
            for (const std::string &file : names)
                EXPECT_EQ(strings.count(file), 1u) << arguments[0] << " lacks " << file << ":\n"
                                                   << result.out;
            if (arguments[0] == "compare") {
                EXPECT_EQ(document["program"], nullptr); // a program text
            }
        }
    }
    // A time of the program's steps is the shortest text of the exact value, not of a float.
    const Json compared = Json::parse(folder
                                          .Run({"compare",
                                                "Pr\xfc"
                                                "fung.txt",
                                                "--log",
                                                "Pr\xfc"
                                                "fung.csv",
                                                "--json"})
                                          .out);
    EXPECT_EQ(compared["program_duration_s"].get<double>(), CommandedFrom(TestCompiler()).time.back());
}

} // namespace
