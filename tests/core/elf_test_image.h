// A minimal ELF image writer for tests of the version block reader: an ELF
// header, the sections' data and a section header table with a string
// table, in either class and byte order. No program headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gnsslog::testing {

using Bytes = std::vector<std::uint8_t>;

struct Section {
    std::string name;
    Bytes data;
    std::uint32_t type = 1;  // SHT_PROGBITS
};

inline void put(Bytes& out, std::size_t at, std::uint64_t value, std::size_t width, bool bigEndian)
{
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t shift = 8 * (bigEndian ? width - 1 - i : i);
        out[at + i] = static_cast<std::uint8_t>(value >> shift);
    }
}

// Sections get indices 1..n; the string table is added last.
inline Bytes makeElf(const std::vector<Section>& sections, bool is64 = true, bool bigEndian = false)
{
    const std::size_t ehsize = is64 ? 64 : 52;
    const std::size_t shentsize = is64 ? 64 : 40;
    const std::size_t word = is64 ? 8 : 4;

    std::vector<Section> all = sections;
    Section strtab{".shstrtab", {0}, 3};
    std::vector<std::uint32_t> nameOffsets;
    for (const auto& s : all) {
        nameOffsets.push_back(static_cast<std::uint32_t>(strtab.data.size()));
        strtab.data.insert(strtab.data.end(), s.name.begin(), s.name.end());
        strtab.data.push_back(0);
    }
    nameOffsets.push_back(static_cast<std::uint32_t>(strtab.data.size()));
    strtab.data.insert(strtab.data.end(), strtab.name.begin(), strtab.name.end());
    strtab.data.push_back(0);
    all.push_back(strtab);

    Bytes out(ehsize, 0);
    std::vector<std::uint64_t> offsets;
    for (const auto& s : all) {
        offsets.push_back(out.size());
        if (s.type != 8) {
            out.insert(out.end(), s.data.begin(), s.data.end());
        }
    }
    while (out.size() % 8 != 0) {
        out.push_back(0);
    }
    const std::size_t shoff = out.size();
    const std::size_t shnum = all.size() + 1;
    out.resize(shoff + shnum * shentsize, 0);

    out[0] = 0x7F;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = is64 ? 2 : 1;
    out[5] = bigEndian ? 2 : 1;
    out[6] = 1;
    put(out, is64 ? 0x28 : 0x20, shoff, word, bigEndian);
    put(out, is64 ? 0x3A : 0x2E, shentsize, 2, bigEndian);
    put(out, is64 ? 0x3C : 0x30, shnum, 2, bigEndian);
    put(out, is64 ? 0x3E : 0x32, shnum - 1, 2, bigEndian);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::size_t at = shoff + (i + 1) * shentsize;
        put(out, at, nameOffsets[i], 4, bigEndian);
        put(out, at + 4, all[i].type, 4, bigEndian);
        put(out, at + (is64 ? 0x18 : 0x10), offsets[i], word, bigEndian);
        put(out, at + (is64 ? 0x20 : 0x14), all[i].data.size(), word, bigEndian);
    }
    return out;
}

}  // namespace gnsslog::testing
