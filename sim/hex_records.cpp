// Intel HEX records for avrsim read and write.
#include "sim/hex_records.h"

#include <cstdio>
#include <fstream>

#include "sim/target_error.h"
#include "sim/text_values.h"
#include "sim/whole_file.h"

namespace avrsim {

namespace {

struct Record {
    std::uint8_t type;
    std::uint16_t offset;
    std::vector<std::uint8_t> data;
};

Record parse_record(const std::string& raw) {
    const std::string line = trim_blanks(raw);
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) {
        throw target_error("not an Intel HEX record");
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 1; i < line.size(); i += 2) {
        bytes.push_back(parse_hex_byte(line.substr(i, 2)));
    }
    if (bytes.size() != std::size_t(bytes[0]) + 5) {
        throw target_error("record length does not match its count");
    }
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes) {
        sum = std::uint8_t(sum + b);
    }
    if (sum != 0) {
        throw target_error("bad checksum");
    }
    return {bytes[3], std::uint16_t((bytes[1] << 8) | bytes[2]),
            std::vector<std::uint8_t>(bytes.begin() + 4, bytes.end() - 1)};
}

void put_record(std::string& out, std::uint8_t type, std::uint16_t offset, const std::uint8_t* data,
                std::size_t count) {
    std::uint8_t sum = std::uint8_t(count + (offset >> 8) + (offset & 0xFF) + type);
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", unsigned(count), unsigned(offset), type);
    out += text;
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", data[i]);
        out += text;
        sum = std::uint8_t(sum + data[i]);
    }
    std::snprintf(text, sizeof text, "%02X\n", unsigned(std::uint8_t(-sum)));
    out += text;
}

} // namespace

void read_hex_into(const std::string& path, std::vector<std::uint8_t>& memory) {
    std::ifstream in(path);
    if (!in) {
        throw target_error("can't open '" + path + "'");
    }
    std::uint32_t base = 0;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (trim_blanks(line).empty()) {
            continue;
        }
        try {
            const Record record = parse_record(line);
            if (record.type == 0x01) {
                return;
            }
            if (record.type == 0x02 || record.type == 0x04) {
                if (record.data.size() != 2) {
                    throw target_error("bad address record");
                }
                const std::uint32_t value = (record.data[0] << 8) | record.data[1];
                base = record.type == 0x02 ? value << 4 : value << 16;
            } else if (record.type == 0x00) {
                const std::uint32_t address = base + record.offset;
                if (address > memory.size() || record.data.size() > memory.size() - address) {
                    char where[16];
                    std::snprintf(where, sizeof where, "0x%X", unsigned(address));
                    throw target_error(std::string("data at ") + where +
                                       " lies outside the memory");
                }
                std::copy(record.data.begin(), record.data.end(), memory.begin() + address);
            } else if (record.type != 0x03 && record.type != 0x05) {
                throw target_error("unknown record type");
            }
        } catch (const target_error& error) {
            throw target_error(path + ":" + std::to_string(number) + ": " + error.what());
        }
    }
}

void write_hex(const std::string& path, const std::vector<std::uint8_t>& memory) {
    std::string out;
    std::uint32_t segment = 0;
    for (std::size_t address = 0; address < memory.size(); address += 16) {
        if ((address >> 16) != segment) {
            segment = std::uint32_t(address >> 16);
            const std::uint8_t upper[2] = {std::uint8_t(segment >> 8), std::uint8_t(segment)};
            put_record(out, 0x04, 0, upper, 2);
        }
        const std::size_t count = std::min<std::size_t>(16, memory.size() - address);
        put_record(out, 0x00, std::uint16_t(address & 0xFFFF), &memory[address], count);
    }
    put_record(out, 0x01, 0, nullptr, 0);
    write_whole_file(path, out);
}

} // namespace avrsim
