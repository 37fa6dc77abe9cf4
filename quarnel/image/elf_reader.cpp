// ELF reader: header checks, program headers, segments sorted into the AVR windows.
#include "quarnel/image/elf_reader.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/record_text.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quarnel {

namespace {

constexpr std::size_t header_size = 52;
constexpr std::size_t program_header_size = 32;
constexpr unsigned machine_avr = 83;
constexpr unsigned type_relocatable = 1;
constexpr unsigned type_executable = 2;
constexpr unsigned segment_load = 1;

enum class window { flash, eeprom, fuse, lock, signature };

struct Window {
    window kind;
    std::uint32_t base;
    std::uint32_t size;
};

constexpr Window windows[] = {
    {window::flash, 0x000000, 0x800000},       {window::eeprom, 0x810000, 0x10000},
    {window::fuse, 0x820000, file_fuse_count}, {window::lock, 0x830000, 1},
    {window::signature, 0x840000, 3},
};

struct Segment {
    unsigned index; // in the program header table, from 0
    std::uint32_t offset;
    std::uint32_t address; // load address
    std::uint32_t size;    // bytes in the file
};

std::uint32_t le16(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}

class ElfReader {
  public:
    ElfReader(PortionList& flash_image, PortionList& eeprom_image, FileConfig& file_config,
              const char* file_path)
        : flash(flash_image), eeprom(eeprom_image), config(file_config), path(file_path),
          file(open_file(file_path, "rb")) {}

    void read() {
        if (std::fseek(file.get(), 0, SEEK_END) != 0) {
            read_failure();
        }
        const long end = std::ftell(file.get());
        if (end < 0) {
            read_failure();
        }
        file_size = static_cast<std::uint64_t>(end);
        std::array<unsigned char, header_size> header{};
        if (!read_at(0, header.data(), header.size())) {
            fail("truncated before the end of its header");
        }
        check_header(header.data());
        std::vector<Segment> segments = load_segments(header.data());
        std::sort(segments.begin(), segments.end(),
                  [](const Segment& a, const Segment& b) { return a.address < b.address; });
        for (std::size_t i = 1; i < segments.size(); ++i) {
            const Segment& before = segments[i - 1];
            if (std::uint64_t{before.address} + before.size > segments[i].address) {
                fail("segments %u and %u overlap at 0x%X", before.index, segments[i].index,
                     segments[i].address);
            }
        }
        PortionGatherer flash_gatherer(flash);
        PortionGatherer eeprom_gatherer(eeprom);
        for (const Segment& segment : segments) {
            load(segment, flash_gatherer, eeprom_gatherer);
        }
        flash_gatherer.close();
        eeprom_gatherer.close();
        if (signature_bytes == 3) {
            config.signature = signature;
        } else if (signature_bytes != 0) {
            fail("its signature has %u bytes, not 3", signature_bytes);
        }
        if (segments.empty()) {
            console_log(1, "Warning: '%s' has no data records\n", path);
        }
    }

  private:
    [[noreturn]] void fail(const char* format, ...) const {
        char reason[160];
        va_list args;
        va_start(args, format);
        std::vsnprintf(reason, sizeof reason, format, args);
        va_end(args);
        console_log(0, "'%s' is not a usable AVR executable: %s\n", path, reason);
        throw app_error(EXIT_BAD_DATA);
    }

    [[noreturn]] void read_failure() const {
        console_log(0, "Can't read %s\n", path);
        throw rtl_error(EXIT_BAD_DATA);
    }

    // False when the file ends first.
    bool read_at(std::uint64_t offset, unsigned char* out, std::size_t count) const {
        if (offset + count > file_size) {
            return false;
        }
        if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(out, 1, count, file.get()) != count) {
            read_failure();
        }
        return true;
    }

    void check_header(const unsigned char* h) const {
        if (!has_elf_magic(h, header_size)) {
            fail("no ELF magic");
        }
        if (h[4] == 2) {
            fail("a 64-bit ELF file; AVR executables are 32-bit");
        }
        if (h[4] != 1) {
            fail("unknown ELF class %u", h[4]);
        }
        if (h[5] != 1) {
            fail("not little-endian");
        }
        const unsigned machine = le16(h + 18);
        if (machine != machine_avr) {
            fail("built for ELF machine %u, not AVR (%u)", machine, machine_avr);
        }
        const unsigned type = le16(h + 16);
        if (type == type_relocatable) {
            fail("a relocatable object, not an executable (link it first)");
        }
        if (type != type_executable) {
            fail("ELF type %u, not an executable", type);
        }
    }

    std::vector<Segment> load_segments(const unsigned char* h) const {
        const std::uint32_t table = le32(h + 28);
        const unsigned entry_size = le16(h + 42);
        const unsigned count = le16(h + 44);
        if (count == 0) {
            fail("no program headers");
        }
        if (entry_size != program_header_size) {
            fail("program headers of %u bytes, not %zu", entry_size, program_header_size);
        }
        std::vector<unsigned char> entries(std::size_t{count} * program_header_size);
        if (!read_at(table, entries.data(), entries.size())) {
            fail("truncated in its program headers");
        }
        std::vector<Segment> segments;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned char* p = entries.data() + std::size_t{i} * program_header_size;
            const Segment segment{i, le32(p + 4), le32(p + 12), le32(p + 16)};
            const std::uint32_t memory_size = le32(p + 20);
            if (le32(p) != segment_load || segment.size == 0) {
                continue;
            }
            if (std::uint64_t{segment.offset} + segment.size > file_size) {
                fail("segment %u lies past the end of the file", i);
            }
            if (segment.size > memory_size) {
                fail("segment %u has more file bytes than memory", i);
            }
            if (window_of(segment) == nullptr) {
                fail("segment %u at 0x%X (%u bytes) lies outside the AVR memory windows", i,
                     segment.address, segment.size);
            }
            segments.push_back(segment);
        }
        return segments;
    }

    static const Window* window_of(const Segment& segment) {
        for (const Window& w : windows) {
            if (segment.address >= w.base &&
                std::uint64_t{segment.address} + segment.size <= std::uint64_t{w.base} + w.size) {
                return &w;
            }
        }
        return nullptr;
    }

    void load(const Segment& segment, PortionGatherer& flash_gatherer,
              PortionGatherer& eeprom_gatherer) {
        const Window& w = *window_of(segment);
        std::array<unsigned char, PortionGatherer::block_size> chunk{};
        for (std::uint32_t done = 0; done < segment.size;) {
            const std::uint32_t count =
                std::min<std::uint32_t>(segment.size - done, std::uint32_t{chunk.size()});
            read_at(std::uint64_t{segment.offset} + done, chunk.data(), count);
            const std::uint32_t at = segment.address - w.base + done;
            switch (w.kind) {
            case window::flash:
                flash_gatherer.add(at, chunk.data(), count);
                break;
            case window::eeprom:
                eeprom_gatherer.add(at, chunk.data(), count);
                break;
            default:
                for (std::uint32_t i = 0; i < count; ++i) {
                    set_config_byte(w.kind, at + i, chunk[i]);
                }
                break;
            }
            done += count;
        }
    }

    void set_config_byte(window kind, std::uint32_t at, std::uint8_t value) {
        if (kind == window::fuse) {
            config.fuses[at] = value;
        } else if (kind == window::lock) {
            config.lock = value;
        } else {
            // avr-libc stores the last signature byte first.
            signature |= std::uint32_t{value} << (8 * at);
            ++signature_bytes;
        }
    }

    PortionList& flash;
    PortionList& eeprom;
    FileConfig& config;
    const char* path;
    file_handle file;
    std::uint64_t file_size = 0;
    std::uint32_t signature = 0;
    unsigned signature_bytes = 0;
};

} // namespace

bool has_elf_magic(const unsigned char* bytes, std::size_t count) {
    return count >= 4 && std::memcmp(bytes,
                                     "\x7F"
                                     "ELF",
                                     4) == 0;
}

void read_elf_file(PortionList& flash, PortionList& eeprom, FileConfig& config, const char* path) {
    ElfReader(flash, eeprom, config, path).read();
}

} // namespace quarnel
