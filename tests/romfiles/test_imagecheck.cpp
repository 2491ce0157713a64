// Image checks: CRC-32, the slot map of built images, and the Intel HEX and S-record copies.
#include "compiler/compile_text.h"
#include "tempdir.h"

#include "compiler/compile.h"
#include "romfiles/build.h"
#include "romfiles/fileio.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

unsigned HexByte(const std::string &line, std::size_t at) {
    return std::stoul(line.substr(at, 2), nullptr, 16);
}

// A reader of our Intel HEX: every record checked, the bytes placed at their addresses.
std::string ReadIntelHex(const std::string &text) {
    std::string bytes;
    std::uint32_t upper = 0;
    bool ended = false;
    for (const std::string &line : SplitLines(text)) {
        EXPECT_FALSE(ended) << "a record after the end";
        EXPECT_EQ(line[0], ':');
        unsigned count = HexByte(line, 1), sum = 0;
        EXPECT_EQ(line.size(), 11 + 2 * count) << line;
        for (std::size_t at = 1; at + 1 < line.size(); at += 2) sum += HexByte(line, at);
        EXPECT_EQ(sum & 0xFF, 0u) << "checksum of " << line;
        unsigned address = HexByte(line, 3) << 8 | HexByte(line, 5), type = HexByte(line, 7);
        if (type == 4) {
            upper = (HexByte(line, 9) << 8 | HexByte(line, 11)) << 16;
        } else if (type == 0) {
            std::size_t at = upper + address;
            if (bytes.size() < at + count) bytes.resize(at + count);
            for (unsigned k = 0; k < count; ++k) bytes[at + k] = static_cast<char>(HexByte(line, 9 + 2 * k));
        } else {
            EXPECT_EQ(type, 1u);
            ended = true;
        }
    }
    EXPECT_TRUE(ended);
    return bytes;
}

// A reader of our S-records: header, S2 data, the count record and the termination checked.
std::string ReadSrec(const std::string &text, std::string *header) {
    std::string bytes;
    std::size_t dataRecords = 0, counted = 0;
    std::vector<std::string> lines = SplitLines(text);
    for (const std::string &line : lines) {
        EXPECT_EQ(line[0], 'S');
        unsigned count = HexByte(line, 2), sum = 0;
        EXPECT_EQ(line.size(), 4 + 2 * count) << line;
        for (std::size_t at = 2; at < line.size(); at += 2) sum += HexByte(line, at);
        EXPECT_EQ(sum & 0xFF, 0xFFu) << "checksum of " << line;
        char type = line[1];
        if (type == '0') {
            for (std::size_t at = 8; at + 2 < line.size(); at += 2)
                *header += static_cast<char>(HexByte(line, at));
        } else if (type == '2') {
            std::size_t address = HexByte(line, 4) << 16 | HexByte(line, 6) << 8 | HexByte(line, 8);
            unsigned data = count - 4;
            if (bytes.size() < address + data) bytes.resize(address + data);
            for (unsigned k = 0; k < data; ++k)
                bytes[address + k] = static_cast<char>(HexByte(line, 10 + 2 * k));
            ++dataRecords;
        } else if (type == '5') {
            counted = HexByte(line, 4) << 8 | HexByte(line, 6);
        } else if (type == '6') {
            counted = HexByte(line, 4) << 16 | HexByte(line, 6) << 8 | HexByte(line, 8);
        } else {
            EXPECT_EQ(type, '8');
            EXPECT_EQ(&line, &lines.back());
        }
    }
    EXPECT_EQ(counted, dataRecords);
    return bytes;
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(Crc32(std::string(1, '\0')), 0xD202EF8Du);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

// Images of 16 programs whose main words end and change rate where the test says.
std::string MainImages(const std::vector<std::vector<std::pair<int, int>>> &runs) {
    std::string bin;
    for (int p = 0; p < ProgramCount; ++p) {
        std::vector<std::uint16_t> words;
        if (p < static_cast<int>(runs.size()))
            for (auto [count, rateCode] : runs[p])
                words.insert(words.end(), count, static_cast<std::uint16_t>(0x8800 | rateCode << 12));
        while (words.size() < StepCount) words.push_back(words.size() % 3 ? 0x6800 : 0x7FFF); // ended
        for (std::uint16_t word : words)
            bin += static_cast<char>(word & 0xFF), bin += static_cast<char>(word >> 8);
    }
    return bin;
}

TEST(ReportImages, SlotMapFromEndBitsAndRateCodes) {
    // Program 0: 1024 steps at 1024 Hz; program 1: 512 at 256 Hz and 256 at 2048 Hz; program 2 never
    // ends (16384 steps at 512 Hz); the others end at step 0. Bit 15 and the dac code do not matter.
    std::string bin = MainImages({{{1024, 2}}, {{512, 0}, {256, 3}}, {{StepCount, 1}}});
    std::string aux = RandomBytes(ProgramCount * AuxImageBytes, 7);
    ImageReport report = ReportImages(bin, aux);
    EXPECT_EQ(report.binSize, 524288u);
    EXPECT_EQ(report.auxSize, 262144u);
    EXPECT_EQ(report.binCrc, Crc32(bin));
    EXPECT_EQ(report.auxCrc, Crc32(aux));
    ASSERT_EQ(report.programs.size(), 16u);
    EXPECT_EQ(report.programs[0].endIndex, 1024);
    EXPECT_EQ(report.programs[0].duration, 1.0f);
    EXPECT_EQ(report.programs[1].endIndex, 768);
    EXPECT_EQ(report.programs[1].duration, 2.125f);
    EXPECT_EQ(report.programs[2].endIndex, StepCount);
    EXPECT_EQ(report.programs[2].duration, 32.0f);
    EXPECT_EQ(report.programs[3].endIndex, 0);
    EXPECT_EQ(report.programs[3].duration, 0.0f);
    for (const SlotInfo &slot : report.programs) {
        EXPECT_EQ(slot.binOffset, slot.program * 32768u);
        EXPECT_EQ(slot.auxOffset, slot.program * 16384u);
        EXPECT_EQ(slot.binCrc, Crc32(std::string_view(bin).substr(slot.binOffset, 32768)));
        EXPECT_EQ(slot.auxCrc, Crc32(std::string_view(aux).substr(slot.auxOffset, 16384)));
    }

    std::vector<std::string> lines = ReportLines(report);
    ASSERT_EQ(lines.size(), 19u);
    char expected[200];
    std::snprintf(expected, sizeof expected, "EPROM file   524288 bytes  CRC-32 0x%08X", report.binCrc);
    EXPECT_EQ(lines[0], expected);
    std::snprintf(expected, sizeof expected, "Aux file     262144 bytes  CRC-32 0x%08X", report.auxCrc);
    EXPECT_EQ(lines[1], expected);
    EXPECT_EQ(lines[2], "Program  EPROM offset  Aux offset  End index  Duration  EPROM CRC-32  Aux CRC-32");
    std::snprintf(expected, sizeof expected,
                  "      1      0x008000    0x004000        768   2.125 s    0x%08X  0x%08X",
                  report.programs[1].binCrc, report.programs[1].auxCrc);
    EXPECT_EQ(lines[4], expected);
    EXPECT_EQ(lines[5].substr(0, 54), "      2      0x010000    0x008000      16384  32.000 s");
    EXPECT_EQ(lines[18].substr(0, 54), "     15      0x078000    0x03C000          0   0.000 s");

    // A file shorter than a set has the slots it holds; the aux CRC covers what there is.
    ImageReport shortFile = ReportImages(std::string_view(bin).substr(0, 3 * 32768 + 100), "abc");
    ASSERT_EQ(shortFile.programs.size(), 3u);
    EXPECT_EQ(shortFile.programs[0].auxCrc, Crc32("abc"));
    EXPECT_EQ(shortFile.programs[1].auxCrc, 0u);
}

TEST(ReportImages, AgreesWithTheCompilerOnABuiltSet) {
    TempDir dir;
    ProgramSet set = ReadProgramSet(QUILLARD_EXAMPLES "/manoeuvres.rom");
    ASSERT_TRUE(BuildSet(TestCompiler(), set, dir / "set.bin", {}).success);
    ImageReport report = ReportImages(ReadFileBytes(dir / "set.bin"), ReadFileBytes(dir / "set.aux"));
    for (int p = 0; p < ProgramCount; ++p) {
        ASSERT_TRUE(CompileProgram(TestCompiler(), set[p]));
        const CompilerState &state = TestCompiler();
        EXPECT_EQ(report.programs[p].endIndex, state.endIndex) << p;
        EXPECT_EQ(report.programs[p].duration, state.steps[state.endIndex].time) << p;
    }
}

TEST(IntelHex, RecordsAndRoundTrip) {
    EXPECT_EQ(IntelHex(""), ":00000001FF\r\n");
    EXPECT_EQ(IntelHex(std::string("\x01\x02\x03", 3)),
              ":020000040000FA\r\n:03000000010203F7\r\n:00000001FF\r\n");
    for (std::size_t size : {1u, 16u, 17u, 65536u, 65536u + 16u * 3 + 5, 524288u}) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        std::string hex = IntelHex(bytes);
        EXPECT_EQ(ReadIntelHex(hex), bytes) << size;
        std::size_t records = std::count(hex.begin(), hex.end(), '\n');
        EXPECT_EQ(records, (size + 15) / 16 + (size + 65535) / 65536 + 1) << size;
    }
    EXPECT_NE(IntelHex(RandomBytes(65536 + 1, 1)).find("\r\n:020000040001F9\r\n"), std::string::npos);
}

TEST(MotorolaSrec, RecordsAndRoundTrip) {
    EXPECT_EQ(MotorolaSrec(std::string("\x01\x02\x03", 3), "ab"),
              "S0050000616237\r\nS207000000010203F2\r\nS5030001FB\r\nS804000000FB\r\n");
    for (std::size_t size : {0u, 1u, 16u, 17u, 65536u + 21, 524288u, 16u * 65536 + 1}) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size) + 3);
        std::string header, srec = MotorolaSrec(bytes, "set.bin");
        EXPECT_EQ(ReadSrec(srec, &header), bytes) << size;
        EXPECT_EQ(header, "set.bin");
        // More records than S5 can count take S6.
        EXPECT_EQ(srec.find("\r\nS6") != std::string::npos, size > 16u * 65535) << size;
    }
    EXPECT_THROW(MotorolaSrec(std::string(0x1000001, '\0'), ""), std::length_error);
}

// Debian's srecord tools read our copies back to the same bytes.
TEST(ImageCopyFiles, EachFormatsEpromCopyThenItsAuxCopy) {
    const std::vector<FileContent> files = ImageCopyFiles("d.v/out.bin", {".hex", ".srec"}, "AB", "C");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].path, "d.v/out.hex");
    EXPECT_EQ(files[0].bytes, IntelHex("AB"));
    EXPECT_EQ(files[1].path, "d.v/out.aux.hex");
    EXPECT_EQ(files[1].bytes, IntelHex("C"));
    EXPECT_EQ(files[2].path, "d.v/out.srec");
    EXPECT_EQ(files[2].bytes, MotorolaSrec("AB", "out.bin"));
    EXPECT_EQ(files[3].path, "d.v/out.aux.srec");
    EXPECT_EQ(files[3].bytes, MotorolaSrec("C", "out.aux"));
    EXPECT_TRUE(ImageCopyFiles("out", {}, "AB", "C").empty());
}

TEST(ImageCopyFiles, RefusesACopyThatWouldReplaceABuiltFile) {
    for (auto [bin, clash] : std::vector<std::pair<std::string, std::string>>{{"img.hex", "img.hex"},
                                                                              {"d/img.srec", "d/img.srec"}}) {
        try {
            ImageCopyFiles(bin, {".hex", ".srec"}, "AB", "C");
            ADD_FAILURE() << bin;
        } catch (const FileError &e) {
            EXPECT_EQ(e.path(), clash);
            EXPECT_STREQ(e.what(), ("cannot write " + clash + ": it is the built file itself").c_str());
        }
    }
}

TEST(SrecordTools, ConvertOurCopiesBackToTheImage) {
    if (std::system("command -v srec_cat >/dev/null 2>&1 && command -v srec_cmp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "srec_cat and srec_cmp are not installed";
    TempDir dir;
    std::string bytes = RandomBytes(ProgramCount * AuxImageBytes + 7, 11); // crosses 64 KiB boundaries
    WriteFileAtomically(dir / "in.hex", IntelHex(bytes));
    WriteFileAtomically(dir / "in.srec", MotorolaSrec(bytes, "in.aux"));
    WriteFileAtomically(dir / "in.bin", bytes);
    const std::string d = "'" + dir.path() + "/";
    for (std::string format : {"hex' -intel", "srec' -motorola"}) {
        SCOPED_TRACE(format);
        std::string out = "out-" + format.substr(0, format.find('\'')) + ".bin";
        ASSERT_EQ(std::system(("srec_cat " + d + "in." + format + " -o " + d + out + "' -binary").c_str()),
                  0);
        EXPECT_EQ(ReadFileBytes(dir / out), bytes);
        EXPECT_EQ(std::system(("srec_cmp " + d + "in." + format + " " + d + "in.bin' -binary").c_str()), 0);
    }
}

} // namespace
