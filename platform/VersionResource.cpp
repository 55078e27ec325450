#include "platform/VersionResource.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>

namespace gnsslog {

namespace {

// ---- Byte sources: the ELF walk reads a few small pieces, so a file is
// read piecewise rather than loaded whole.

class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> image) : image_(image) {}
    std::uint64_t size() const { return image_.size(); }
    bool read(std::uint64_t offset, void* dst, std::size_t n) const
    {
        if (offset > image_.size() || n > image_.size() - offset) {
            return false;
        }
        if (n != 0) {
            std::memcpy(dst, image_.data() + offset, n);
        }
        return true;
    }

private:
    std::span<const std::uint8_t> image_;
};

class FileSource {
public:
    explicit FileSource(const std::string& path) : in_(path, std::ios::binary)
    {
        if (!in_) {
            return;
        }
        in_.seekg(0, std::ios::end);
        const std::streamoff end = in_.tellg();
        in_.seekg(0, std::ios::beg);
        if (end > 0) {
            size_ = static_cast<std::uint64_t>(end);
        }
    }
    bool ok() const { return static_cast<bool>(in_); }
    std::uint64_t size() const { return size_; }
    bool read(std::uint64_t offset, void* dst, std::size_t n)
    {
        if (offset > size_ || n > size_ - offset) {
            return false;
        }
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
        in_.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
        return static_cast<std::size_t>(in_.gcount()) == n;
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

// ---- ELF layout: only the fields the section walk needs.

constexpr std::uint8_t kElfClass32 = 1;
constexpr std::uint8_t kElfClass64 = 2;
constexpr std::uint8_t kElfDataLsb = 1;
constexpr std::uint8_t kElfDataMsb = 2;
constexpr std::uint32_t kShtNobits = 8;         // section occupies no file bytes
constexpr std::uint16_t kShnXindex = 0xFFFF;    // real index lives in section 0
constexpr std::uint64_t kMaxSections = 1u << 20;  // far above any real file

struct ElfLayout {
    bool is64 = false;
    bool bigEndian = false;
    std::size_t shoffAt = 0, shentsizeAt = 0, shnumAt = 0, shstrndxAt = 0;
    std::size_t headerSize = 0;  // ELF header bytes needed
    std::size_t sectionHeaderSize = 0;
    std::size_t nameAt = 0, typeAt = 0, offsetAt = 0, sizeAt = 0, linkAt = 0;
};

std::uint64_t getUnsigned(const std::uint8_t* p, std::size_t width, bool bigEndian)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t byte = bigEndian ? i : width - 1 - i;
        v = (v << 8) | p[byte];
    }
    return v;
}

struct SectionHeader {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

template <typename Source>
class ElfWalker {
public:
    explicit ElfWalker(Source& source) : source_(source) {}

    std::optional<SectionExtent> find(std::string_view wanted)
    {
        if (!readHeader()) {
            return std::nullopt;
        }
        SectionHeader strtab;
        if (!section(shstrndx_, strtab) || strtab.type == kShtNobits || !fits(strtab.offset, strtab.size)) {
            return std::nullopt;
        }
        std::vector<char> name(wanted.size() + 1);
        for (std::uint64_t i = 0; i < shnum_; ++i) {
            SectionHeader sh;
            if (!section(i, sh)) {
                return std::nullopt;
            }
            // The name with its terminator must lie inside the string table.
            if (sh.name >= strtab.size || name.size() > strtab.size - sh.name) {
                continue;
            }
            if (!source_.read(strtab.offset + sh.name, name.data(), name.size())) {
                continue;
            }
            if (std::string_view(name.data(), wanted.size()) != wanted || name.back() != '\0') {
                continue;
            }
            if (sh.type == kShtNobits || !fits(sh.offset, sh.size)) {
                return std::nullopt;
            }
            return SectionExtent{sh.offset, sh.size};
        }
        return std::nullopt;
    }

private:
    bool fits(std::uint64_t offset, std::uint64_t size) const
    {
        return offset <= source_.size() && size <= source_.size() - offset;
    }

    bool readHeader()
    {
        std::uint8_t ident[16];
        if (!source_.read(0, ident, sizeof ident)) {
            return false;
        }
        if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') {
            return false;
        }
        if (ident[4] == kElfClass64) {
            layout_ = {true, false, 0x28, 0x3A, 0x3C, 0x3E, 0x40, 64, 0x00, 0x04, 0x18, 0x20, 0x28};
        } else if (ident[4] == kElfClass32) {
            layout_ = {false, false, 0x20, 0x2E, 0x30, 0x32, 0x34, 40, 0x00, 0x04, 0x10, 0x14, 0x18};
        } else {
            return false;
        }
        if (ident[5] != kElfDataLsb && ident[5] != kElfDataMsb) {
            return false;
        }
        layout_.bigEndian = ident[5] == kElfDataMsb;

        std::uint8_t header[0x40];
        if (!source_.read(0, header, layout_.headerSize)) {
            return false;
        }
        const std::size_t word = layout_.is64 ? 8 : 4;
        shoff_ = getUnsigned(header + layout_.shoffAt, word, layout_.bigEndian);
        shentsize_ = getUnsigned(header + layout_.shentsizeAt, 2, layout_.bigEndian);
        shnum_ = getUnsigned(header + layout_.shnumAt, 2, layout_.bigEndian);
        shstrndx_ = getUnsigned(header + layout_.shstrndxAt, 2, layout_.bigEndian);
        if (shoff_ == 0 || shentsize_ < layout_.sectionHeaderSize) {
            return false;
        }
        // Files with many sections keep the true count and string-table
        // index in section 0.
        if (shnum_ == 0 || shstrndx_ == kShnXindex) {
            SectionHeader first;
            if (!rawSection(0, first)) {
                return false;
            }
            if (shnum_ == 0) {
                shnum_ = first.size;
            }
            if (shstrndx_ == kShnXindex) {
                shstrndx_ = first.link;
            }
        }
        if (shnum_ > kMaxSections) {
            return false;
        }
        // shnum_ <= 2^20 and shentsize_ <= 2^16, so the product cannot overflow.
        return fits(shoff_, shnum_ * shentsize_);
    }

    bool rawSection(std::uint64_t index, SectionHeader& out)
    {
        if (index > kMaxSections) {
            return false;
        }
        std::uint8_t raw[64];
        const std::uint64_t at = index * shentsize_;
        if (shoff_ > std::numeric_limits<std::uint64_t>::max() - at) {
            return false;
        }
        if (!source_.read(shoff_ + at, raw, layout_.sectionHeaderSize)) {
            return false;
        }
        const std::size_t word = layout_.is64 ? 8 : 4;
        const bool be = layout_.bigEndian;
        out.name = static_cast<std::uint32_t>(getUnsigned(raw + layout_.nameAt, 4, be));
        out.type = static_cast<std::uint32_t>(getUnsigned(raw + layout_.typeAt, 4, be));
        out.offset = getUnsigned(raw + layout_.offsetAt, word, be);
        out.size = getUnsigned(raw + layout_.sizeAt, word, be);
        out.link = static_cast<std::uint32_t>(getUnsigned(raw + layout_.linkAt, 4, be));
        return true;
    }

    bool section(std::uint64_t index, SectionHeader& out)
    {
        return index < shnum_ && rawSection(index, out);
    }

    Source& source_;
    ElfLayout layout_;
    std::uint64_t shoff_ = 0, shentsize_ = 0, shnum_ = 0, shstrndx_ = 0;
};

// The version section of a file, if it has one of a plausible size.
std::optional<SectionExtent> versionSection(FileSource& file)
{
    if (!file.ok()) {
        return std::nullopt;
    }
    ElfWalker walker(file);
    auto extent = walker.find(kVersionSectionName);
    if (!extent || extent->size == 0 || extent->size > kMaxVersionBlockSize) {
        return std::nullopt;
    }
    return extent;
}

bool equalsIgnoringAsciiCase(std::span<const std::uint8_t> a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(a[i]) != lower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

void putU16(std::vector<std::uint8_t>& out, std::size_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

std::string moduleFileName()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        if (buffer.size() >= (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);  // the link may have been cut short
    }
}

std::optional<SectionExtent> findElfSection(std::span<const std::uint8_t> image, std::string_view name)
{
    MemorySource source(image);
    ElfWalker walker(source);
    return walker.find(name);
}

std::uint32_t versionInfoSize(const std::string& path)
{
    FileSource file(path);
    const auto extent = versionSection(file);
    return extent ? static_cast<std::uint32_t>(extent->size) : 0;
}

bool readVersionInfo(const std::string& path, std::span<std::uint8_t> buffer)
{
    FileSource file(path);
    const auto extent = versionSection(file);
    if (!extent) {
        return false;
    }
    const std::size_t n = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(extent->size));
    return file.read(extent->offset, buffer.data(), n);
}

std::optional<std::span<const std::uint8_t>> queryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view subBlock)
{
    if (block.size() < kVersionBlockMagic.size() ||
        !std::equal(kVersionBlockMagic.begin(), kVersionBlockMagic.end(), block.begin())) {
        return std::nullopt;
    }
    std::size_t at = kVersionBlockMagic.size();
    while (block.size() - at >= 4) {
        const std::size_t keyLength = block[at] | (static_cast<std::size_t>(block[at + 1]) << 8);
        const std::size_t valueLength = block[at + 2] | (static_cast<std::size_t>(block[at + 3]) << 8);
        at += 4;
        if (keyLength > block.size() - at || valueLength > block.size() - at - keyLength) {
            return std::nullopt;  // an entry running past the end: the rest is not trusted
        }
        const auto key = block.subspan(at, keyLength);
        const auto value = block.subspan(at + keyLength, valueLength);
        if (equalsIgnoringAsciiCase(key, subBlock)) {
            return value;
        }
        at += keyLength + valueLength;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> encodeVersionBlock(const std::vector<VersionEntry>& entries)
{
    std::vector<std::uint8_t> out(kVersionBlockMagic.begin(), kVersionBlockMagic.end());
    for (const auto& entry : entries) {
        const std::size_t keyLength = std::min<std::size_t>(entry.key.size(), 0xFFFF);
        const std::size_t valueLength = std::min<std::size_t>(entry.value.size(), 0xFFFF);
        putU16(out, keyLength);
        putU16(out, valueLength);
        out.insert(out.end(), entry.key.begin(), entry.key.begin() + static_cast<std::ptrdiff_t>(keyLength));
        out.insert(out.end(), entry.value.begin(), entry.value.begin() + static_cast<std::ptrdiff_t>(valueLength));
    }
    return out;
}

VersionEntry translationEntry(std::uint16_t language, std::uint16_t codePage)
{
    VersionEntry entry{std::string(kTranslationKey), {}};
    putU16(entry.value, language);
    putU16(entry.value, codePage);
    return entry;
}

VersionEntry stringEntry(std::string key, std::string_view text)
{
    VersionEntry entry{std::move(key), std::vector<std::uint8_t>(text.begin(), text.end())};
    entry.value.push_back(0);
    return entry;
}

std::string stringValuePath(Translation translation, std::string_view name)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", static_cast<unsigned>(translation.language),
                  static_cast<unsigned>(translation.codePage));
    return std::string(prefix) + std::string(name);
}

void LoadVersionResource(VersionResource& holder, const std::string& modulePath, const VersionErrorSink& report)
{
    auto fail = [&report](const char* step) {
        if (report) {
            report(step);
        }
    };
    if (modulePath.empty()) {
        fail("GetModuleFileName");
        return;
    }
    const std::uint32_t size = versionInfoSize(modulePath);
    if (size == 0) {
        fail("resource_size");
        return;
    }
    try {
        holder.data.emplace(size);
    } catch (const std::bad_alloc&) {
        holder.data.reset();
        fail("resource_data_");
        return;
    }
    if (!readVersionInfo(modulePath, *holder.data)) {
        fail("GetFileVersionInfo");
        return;
    }
    if (const auto table = queryVersionValue(*holder.data, kTranslationKey); table && table->size() >= 4) {
        const auto& t = *table;
        holder.translation = Translation{static_cast<std::uint16_t>(t[0] | (t[1] << 8)),
                                         static_cast<std::uint16_t>(t[2] | (t[3] << 8))};
    }
}

std::string QueryVersionValue(const VersionResource& holder, std::string_view name, const VersionErrorSink& report)
{
    auto fail = [&report](const char* step) {
        if (report) {
            report(step);
        }
        return std::string();
    };
    if (!holder.data) {
        return fail("resource_data_");
    }
    if (!holder.translation) {
        return fail("VerQueryValue");
    }
    const auto value = queryVersionValue(*holder.data, stringValuePath(*holder.translation, name));
    if (!value) {
        return fail("VerQueryValue");
    }
    const auto end = std::find(value->begin(), value->end(), std::uint8_t{0});
    return std::string(value->begin(), end);
}

}  // namespace gnsslog
