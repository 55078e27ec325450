// The executable's version block and the calls that read it.
//
// Our executables carry their version in an ELF section of their own,
// ".gnsslog_version", written at build time from the project version
// (platform/VersionBlock.cpp.in). The block is a small key/value table:
//
//   "GNSSVER" NUL                         8-byte magic
//   entries until the end of the block:
//     u16 LE key length, u16 LE value length, key bytes, value bytes
//
// Keys are value paths such as "\VarFileInfo\Translation" (value: pairs of
// u16 LE language identifier and u16 LE code page) and
// "\StringFileInfo\040904b0\FileVersion" (value: zero-terminated text).
//
// The functions below mirror the steps of the classic version API
// (module file name, block size, block read, value query), so that the
// about box reports the step that failed. They read the file named by its
// FULL path: a bare file name would make the lookup depend on the current
// directory and could show another file's version.
//
// Nothing here throws on bad input: a file that is not ELF, a truncated or
// corrupt header, or a block that breaks the layout reads as "no block".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gnsslog {

inline constexpr std::string_view kVersionSectionName = ".gnsslog_version";
inline constexpr std::array<std::uint8_t, 8> kVersionBlockMagic = {'G', 'N', 'S', 'S', 'V', 'E', 'R', 0};
inline constexpr std::string_view kTranslationKey = "\\VarFileInfo\\Translation";
// Version blocks are capped like the classic resource, whose length field
// is 16 bits; a larger section is not a version block.
inline constexpr std::size_t kMaxVersionBlockSize = 0xFFFF;

// Full path of the running executable, or empty when it cannot be found.
std::string moduleFileName();

// Size in bytes of the version block of the ELF file at path; 0 when the
// file has none (or cannot be read, or is not ELF).
std::uint32_t versionInfoSize(const std::string& path);

// Reads the version block of the file at path into buffer, at most
// buffer.size() bytes. False when the file or its block cannot be read.
bool readVersionInfo(const std::string& path, std::span<std::uint8_t> buffer);

// The value stored under subBlock (compared case-insensitively, ASCII),
// or nothing when the block lacks it or breaks the layout. The span points
// into block.
std::optional<std::span<const std::uint8_t>> queryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view subBlock);

// Offset and size of the named section of an ELF image held in memory
// (32- or 64-bit, either byte order); nothing if the image has no such
// section with file contents inside the image.
struct SectionExtent {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
std::optional<SectionExtent> findElfSection(std::span<const std::uint8_t> image, std::string_view name);

// Encodes a block from (key, value) entries; used by tests and tools that
// craft blocks. Keys and values longer than 0xFFFF bytes are cut short.
struct VersionEntry {
    std::string key;
    std::vector<std::uint8_t> value;
};
std::vector<std::uint8_t> encodeVersionBlock(const std::vector<VersionEntry>& entries);
VersionEntry translationEntry(std::uint16_t language, std::uint16_t codePage);
VersionEntry stringEntry(std::string key, std::string_view text);  // stores text plus NUL

// ---- The about box's holder and its two operations.

struct Translation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

struct VersionResource {
    std::optional<std::vector<std::uint8_t>> data;  // the block, once allocated
    std::optional<Translation> translation;         // first translation entry
};

// Receives the name of a failed step: "GetModuleFileName", "resource_size",
// "resource_data_", "GetFileVersionInfo" or "VerQueryValue".
using VersionErrorSink = std::function<void(const char* step)>;

// Fills holder from the executable at modulePath (empty: the module's path
// could not be found). Reports each failed step and stops there.
void LoadVersionResource(VersionResource& holder, const std::string& modulePath, const VersionErrorSink& report);

// Text of the string value name of the first translation, or empty after
// reporting the failure. A holder without a translation table cannot build
// the value's path, so that also reports "VerQueryValue".
std::string QueryVersionValue(const VersionResource& holder, std::string_view name, const VersionErrorSink& report);

// "\StringFileInfo\040904b0\FileVersion" for (0x0409, 0x04b0, "FileVersion").
std::string stringValuePath(Translation translation, std::string_view name);

}  // namespace gnsslog
