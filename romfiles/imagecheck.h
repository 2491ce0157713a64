// Checks of built images for the EPROM programmer: CRC-32s, the slot map, Intel HEX and S-records.
#pragma once

#include "romfiles/fileio.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// zlib's CRC-32, as PNG and Ethernet use it (reflected polynomial 0xEDB88320, initial and final xor
// 0xFFFFFFFF); Crc32("123456789") is 0xCBF43926.
std::uint32_t Crc32(std::string_view bytes);

// A CRC-32 as the reports write it: "0x" and eight upper-case hexadecimal digits.
std::string CrcText(std::uint32_t crc);

// One program's slot of the built images.
struct SlotInfo {
    int program = 0;           // 0 to 15
    std::size_t binOffset = 0; // byte offset of the slot in the EPROM file
    std::size_t auxOffset = 0; // byte offset of the slot in the aux file
    int endIndex = 0;          // first step whose main word has the end bit
    float duration = 0;        // seconds before the end, from the rate codes of the main words
    std::uint32_t binCrc = 0;  // CRC-32 of the slot in the EPROM file
    std::uint32_t auxCrc = 0;  // CRC-32 of the slot in the aux file
};

struct ImageReport {
    std::uint32_t binCrc = 0; // CRC-32 of the whole EPROM file
    std::uint32_t auxCrc = 0; // CRC-32 of the whole aux file
    std::size_t binSize = 0;
    std::size_t auxSize = 0;
    std::vector<SlotInfo> programs; // the slots of the 16 programs
};

// The report on the bytes of an EPROM file and its aux file as built. A shorter file has the slots
// whose EPROM image it holds whole; their aux CRC-32 covers the part of the aux slot that exists.
ImageReport ReportImages(std::string_view binBytes, std::string_view auxBytes);

// The report as text lines (file CRCs, then a table of the slots).
std::vector<std::string> ReportLines(const ImageReport &report);

// The names of an EPROM file's and its aux file's copies in another format (extension ".hex" or
// ".srec"): the EPROM file's extension replaced, and the extension appended to the aux file's name,
// which would otherwise be that of the EPROM file's copy.
struct ImageCopyNames {
    std::string bin;
    std::string aux;
};
ImageCopyNames CopyNamesFor(const std::string &binPath, const std::string &extension);

// The copies of an EPROM file and its aux file in the formats asked for, in order (".hex": IntelHex,
// ".srec": MotorolaSrec headed by the copied file's name), made from their bytes: for each format the
// EPROM file's copy, then the aux file's, named by CopyNamesFor. The caller writes them as one group,
// all or none. Throws FileError, before anything is made, when a copy would replace the EPROM or aux
// file ("it is the built file itself").
std::vector<FileContent> ImageCopyFiles(const std::string &binPath,
                                        const std::vector<std::string> &extensions, std::string_view binBytes,
                                        std::string_view auxBytes);

// Intel HEX of the bytes from address 0: data records of 16 bytes, an extended linear address
// record before each 64 KiB, and the end-of-file record; lines end in CR LF. Throws std::length_error
// above 4 GiB.
std::string IntelHex(std::string_view bytes);

// Motorola S-records of the bytes from address 0: an S0 header (the header text, at most 64
// characters), S2 (24-bit address) data records of 16 bytes, an S5 count record (S6 beyond 65535
// records) and an S8 termination record; lines end in CR LF. Throws std::length_error above 16 MiB.
std::string MotorolaSrec(std::string_view bytes, const std::string &header);
