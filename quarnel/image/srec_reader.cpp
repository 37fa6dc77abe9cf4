// Motorola S-record reader: record fields, checksums, counts and the end record.
#include "quarnel/image/srec_reader.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/common/text.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/record_text.h"

#include <array>
#include <cstdint>
#include <string>

namespace quarnel {

namespace {

// The longest valid record: "S", the type, the count and 2 * 255 characters.
constexpr std::size_t srec_line_max = 514;

struct SRecord {
    unsigned type = 0;
    unsigned count = 0; // bytes of address, data and checksum
    unsigned address_bytes = 0;
    unsigned long address = 0;
    std::array<std::uint8_t, 255> bytes{}; // address, data, checksum
    std::size_t data_length() const { return count - address_bytes - 1; }
    const std::uint8_t* data() const { return bytes.data() + address_bytes; }
};

// Address bytes by record type; 0 where the type does not exist.
constexpr unsigned address_bytes_of[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

enum class record_fault { none, text, checksum };

record_fault parse_record(const std::string& line, SRecord& record) {
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9') {
        return record_fault::text;
    }
    record.type = static_cast<unsigned>(line[1] - '0');
    record.address_bytes = address_bytes_of[record.type];
    if (record.address_bytes == 0 || !parse_hex(line, 2, 2, record.count) ||
        record.count < record.address_bytes + 1 || line.size() != 4 + 2 * record.count) {
        return record_fault::text;
    }
    unsigned sum = record.count;
    for (unsigned i = 0; i < record.count; ++i) {
        unsigned value = 0;
        if (!parse_hex(line, 4 + 2 * i, 2, value)) {
            return record_fault::text;
        }
        record.bytes[i] = static_cast<std::uint8_t>(value);
        sum += value;
    }
    record.address = 0;
    for (unsigned i = 0; i < record.address_bytes; ++i) {
        record.address = record.address << 8 | record.bytes[i];
    }
    return (sum & 0xFF) == 0xFF ? record_fault::none : record_fault::checksum;
}

class SrecReader {
  public:
    SrecReader(PortionList& target, const char* file_path) : image(target), path(file_path) {}

    void read() {
        file_handle file(open_file(path, "r"));
        std::string line;
        while (read_clean_line(file.get(), line, srec_line_max)) {
            ++line_number;
            if (line.empty()) {
                continue;
            }
            if (!handle_line(line)) {
                break;
            }
        }
        if (std::ferror(file.get()) != 0) {
            console_log(0, "Can't read %s\n", path);
            throw rtl_error(EXIT_BAD_DATA);
        }
        gatherer.finish(path);
    }

  private:
    [[noreturn]] void fail(const char* what, const std::string& line) const {
        console_log(0, "%s in line %u of '%s'\n'%s'\n", what, line_number, path,
                    shown_line(line).c_str());
        throw app_error(EXIT_BAD_DATA);
    }

    // False once the end record has been handled.
    bool handle_line(const std::string& line) {
        SRecord record;
        switch (parse_record(line, record)) {
        case record_fault::text:
            fail("Invalid S-record", line);
        case record_fault::checksum:
            fail("S-record checksum error", line);
        case record_fault::none:
            break;
        }
        switch (record.type) {
        case 1:
        case 2:
        case 3:
            add_data(record, line);
            return true;
        case 5:
        case 6:
            if (record.data_length() != 0 || record.address != data_records) {
                fail("S-record count does not match the data records", line);
            }
            return true;
        case 7:
        case 8:
        case 9:
            return false;
        default: // S0, the header
            return true;
        }
    }

    void add_data(const SRecord& record, const std::string& line) {
        ++data_records;
        const std::size_t length = record.data_length();
        if (length == 0) {
            return;
        }
        const auto address = static_cast<long long>(record.address);
        if (address + static_cast<long long>(length) - 1 > image_address_limit) {
            fail("S-record address out of range", line);
        }
        gatherer.add(address, record.data(), length);
    }

    PortionList& image;
    const char* path;
    PortionGatherer gatherer{image};
    unsigned line_number = 0;
    unsigned long data_records = 0;
};

} // namespace

void read_srec_file(PortionList& image, const char* path) {
    SrecReader(image, path).read();
}

} // namespace quarnel
