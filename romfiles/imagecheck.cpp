// Checks of built images for the EPROM programmer: CRC-32s, the slot map, Intel HEX and S-records.
#include "romfiles/imagecheck.h"

#include "romfiles/build.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <zlib.h>

namespace {

// The bytes of a slot that lie within the file (all of them for a file as built).
std::string_view Slot(std::string_view bytes, std::size_t offset, std::size_t size) {
    if (offset >= bytes.size()) return {};
    return bytes.substr(offset, size);
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// One record of count, address and data bytes with the given checksum rule.
std::string Record(const std::string &start, std::uint32_t address, int addressBytes, int type,
                   std::string_view data, bool intel) {
    std::string line = start;
    std::uint32_t sum = 0;
    auto put = [&](unsigned byte) {
        line += Hex(byte & 0xFF, 2);
        sum += byte & 0xFF;
    };
    if (intel) {
        put(static_cast<unsigned>(data.size()));
        put(address >> 8);
        put(address);
        put(static_cast<unsigned>(type));
    } else {
        put(static_cast<unsigned>(data.size() + addressBytes + 1)); // address, data and checksum
        for (int k = addressBytes - 1; k >= 0; --k) put(address >> (8 * k));
    }
    for (unsigned char byte : data) put(byte);
    line += Hex(intel ? (0x100 - (sum & 0xFF)) & 0xFF : ~sum & 0xFF, 2);
    return line + "\r\n";
}

constexpr std::size_t RecordBytes = 16;

} // namespace

std::uint32_t Crc32(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef *>(bytes.data()), bytes.size()));
}

std::string CrcText(std::uint32_t crc) { return "0x" + Hex(crc, 8); }

ImageReport ReportImages(std::string_view binBytes, std::string_view auxBytes) {
    ImageReport report;
    report.binCrc = Crc32(binBytes);
    report.auxCrc = Crc32(auxBytes);
    report.binSize = binBytes.size();
    report.auxSize = auxBytes.size();
    const std::size_t programs = std::min<std::size_t>(ProgramCount, binBytes.size() / MainImageBytes);
    for (std::size_t p = 0; p < programs; ++p) {
        SlotInfo slot;
        slot.program = static_cast<int>(p);
        slot.binOffset = p * MainImageBytes;
        slot.auxOffset = p * AuxImageBytes;
        std::string_view main = Slot(binBytes, slot.binOffset, MainImageBytes);
        slot.binCrc = Crc32(main);
        slot.auxCrc = Crc32(Slot(auxBytes, slot.auxOffset, AuxImageBytes));
        // Steps before the first word with the end bit (bit 14); each lasts one period of its rate
        // code (bits 12 and 13). Periods are powers of two, so the single-precision sum is exact.
        slot.endIndex = StepCount;
        float time = 0;
        for (int k = 0; k < StepCount; ++k) {
            unsigned word = static_cast<unsigned char>(main[2 * k]) |
                            static_cast<unsigned>(static_cast<unsigned char>(main[2 * k + 1])) << 8;
            if (word & 0x4000) {
                slot.endIndex = k;
                break;
            }
            time += 1.0f / static_cast<float>(256 << ((word >> 12) & 3));
        }
        slot.duration = time;
        report.programs.push_back(slot);
    }
    return report;
}

std::vector<std::string> ReportLines(const ImageReport &report) {
    std::vector<std::string> lines;
    char line[160];
    std::snprintf(line, sizeof line, "EPROM file  %7zu bytes  CRC-32 %s", report.binSize,
                  CrcText(report.binCrc).c_str());
    lines.push_back(line);
    std::snprintf(line, sizeof line, "Aux file    %7zu bytes  CRC-32 %s", report.auxSize,
                  CrcText(report.auxCrc).c_str());
    lines.push_back(line);
    lines.push_back("Program  EPROM offset  Aux offset  End index  Duration  EPROM CRC-32  Aux CRC-32");
    for (const SlotInfo &slot : report.programs) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.3f s", static_cast<double>(slot.duration));
        std::snprintf(line, sizeof line, "%7d  %12s  %10s  %9d  %8s  %12s  %10s", slot.program,
                      ("0x" + Hex(static_cast<std::uint32_t>(slot.binOffset), 6)).c_str(),
                      ("0x" + Hex(static_cast<std::uint32_t>(slot.auxOffset), 6)).c_str(), slot.endIndex,
                      duration, CrcText(slot.binCrc).c_str(), CrcText(slot.auxCrc).c_str());
        lines.push_back(line);
    }
    return lines;
}

std::string IntelHex(std::string_view bytes) {
    if (std::uint64_t{bytes.size()} > 0x100000000ull)
        throw std::length_error("Intel HEX addresses end at 4 GiB");
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += RecordBytes) {
        if (at % 0x10000 == 0) {
            const char upper[2] = {static_cast<char>(at >> 24), static_cast<char>(at >> 16)};
            text += Record(":", 0, 0, 4, std::string_view(upper, 2), true);
        }
        text +=
            Record(":", static_cast<std::uint32_t>(at & 0xFFFF), 0, 0, bytes.substr(at, RecordBytes), true);
    }
    return text + ":00000001FF\r\n";
}

std::string MotorolaSrec(std::string_view bytes, const std::string &header) {
    if (bytes.size() > 0x1000000) throw std::length_error("S2 records address at most 16 MiB");
    std::string text = Record("S0", 0, 2, 0, std::string_view(header).substr(0, 64), false);
    std::size_t records = 0;
    for (std::size_t at = 0; at < bytes.size(); at += RecordBytes, ++records)
        text += Record("S2", static_cast<std::uint32_t>(at), 3, 0, bytes.substr(at, RecordBytes), false);
    // S5 holds a 16-bit count; a larger count needs S6 (24 bits).
    if (records <= 0xFFFF)
        text += Record("S5", static_cast<std::uint32_t>(records), 2, 0, {}, false);
    else
        text += Record("S6", static_cast<std::uint32_t>(records), 3, 0, {}, false);
    return text + Record("S8", 0, 3, 0, {}, false);
}

ImageCopyNames CopyNamesFor(const std::string &binPath, const std::string &extension) {
    const std::string aux = AuxPathFor(binPath); // ends in ".aux"
    return {aux.substr(0, aux.size() - 4) + extension, aux + extension};
}

std::vector<FileContent> ImageCopyFiles(const std::string &binPath,
                                        const std::vector<std::string> &extensions, std::string_view binBytes,
                                        std::string_view auxBytes) {
    const std::string auxPath = AuxPathFor(binPath);
    std::vector<ImageCopyNames> names;
    for (const std::string &extension : extensions) {
        names.push_back(CopyNamesFor(binPath, extension));
        for (const std::string &copy : {names.back().bin, names.back().aux})
            if (copy == binPath || copy == auxPath)
                throw FileError("write", copy, "it is the built file itself");
    }
    std::vector<FileContent> files;
    for (std::size_t k = 0; k < extensions.size(); ++k) {
        const bool hex = extensions[k] == ".hex";
        files.push_back(
            {names[k].bin, hex ? IntelHex(binBytes) : MotorolaSrec(binBytes, FileNameOf(binPath))});
        files.push_back(
            {names[k].aux, hex ? IntelHex(auxBytes) : MotorolaSrec(auxBytes, FileNameOf(auxPath))});
    }
    return files;
}
