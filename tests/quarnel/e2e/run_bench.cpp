// The virtual-chip bench of the run tests: avrsim calls, HEX texts, output normalising.
#include "tests/quarnel/e2e/run_bench.h"

#include "tests/quarnel/e2e/cli_support.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>

std::string hex_text(const std::vector<HexRecord>& records) {
    std::string text;
    char digits[4];
    const auto put = [&](unsigned value, unsigned& sum) {
        std::snprintf(digits, sizeof digits, "%02X", value & 0xFF);
        text += digits;
        sum += value;
    };
    for (const auto& record : records) {
        for (std::size_t at = 0; at < record.data.size(); at += 16) {
            const std::size_t count = std::min<std::size_t>(16, record.data.size() - at);
            const unsigned address = record.address + static_cast<unsigned>(at);
            unsigned sum = 0;
            text += ':';
            put(static_cast<unsigned>(count), sum);
            put(address >> 8, sum);
            put(address, sum);
            put(0, sum);
            for (std::size_t i = 0; i < count; ++i) {
                put(record.data[at + i], sum);
            }
            unsigned ignored = 0;
            put(0x100 - (sum & 0xFF), ignored);
            text += '\n';
        }
    }
    return text + ":00000001FF\n";
}

Bytes hex_bytes(const std::string& text, std::size_t size, std::size_t* defined) {
    Bytes memory(size, 0xFF);
    std::size_t count = 0;
    unsigned long base = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() < 11 || line[0] != ':') {
            continue;
        }
        const auto byte = [&](std::size_t i) {
            return static_cast<unsigned>(std::stoul(line.substr(1 + 2 * i, 2), nullptr, 16));
        };
        const unsigned length = byte(0);
        const unsigned long address = base + (byte(1) << 8) + byte(2);
        if (byte(3) == 2 || byte(3) == 4) {
            base = ((byte(4) << 8) + byte(5)) << (byte(3) == 2 ? 4 : 16);
        } else if (byte(3) == 0) {
            for (unsigned i = 0; i < length; ++i) {
                if (address + i >= size) {
                    throw std::runtime_error("HEX data beyond the memory: " + line);
                }
                memory[address + i] = static_cast<std::uint8_t>(byte(4 + i));
                ++count;
            }
        }
    }
    if (defined != nullptr) {
        *defined = count;
    }
    return memory;
}

Bench::Bench(const std::string& chip, const std::vector<std::string>& settings) {
    add_chip("chip.avr", chip, settings);
}

void Bench::add_chip(const std::string& name, const std::string& chip,
                     const std::vector<std::string>& settings) const {
    std::vector<std::string> args = {"new", file(name), chip};
    args.insert(args.end(), settings.begin(), settings.end());
    avrsim(args);
}

std::string Bench::avrsim(const std::vector<std::string>& args) const {
    ProgramRun run;
    run.program = "avrsim";
    run.args = args;
    run.directory = dir.path();
    const ProgramResult result = run_program(run);
    if (result.status != 0) {
        throw std::runtime_error("avrsim failed: " + result.output);
    }
    return result.output;
}

BenchRun Bench::quarnel(const std::vector<std::string>& args, ProgramRun run) const {
    if (run.program.empty()) {
        run.program = "quarnel";
    }
    if (run.args.empty()) {
        run.args = args;
    }
    run.directory = dir.path();
    run.env["AVRSIM_TARGET"] = file("chip.avr");
    run.env["DLPORTIO_LIBRARY"] = bin_path("libavrsim_dlportio.so");
    return finish(run_program(run));
}

BenchRun Bench::quarnel_shell(const std::string& script,
                              const std::vector<std::string>& args) const {
    ProgramRun run;
    run.program = "/bin/sh";
    run.args = {"-c", script, bin_path("quarnel")};
    run.args.insert(run.args.end(), args.begin(), args.end());
    return quarnel(args, run);
}

BenchRun Bench::finish(const ProgramResult& result) const {
    BenchRun run;
    run.status = result.status;
    std::size_t end = 0;
    for (int line = 0; line < 4 && end != std::string::npos; ++line) {
        end = result.output.find('\n', end);
        end = end == std::string::npos ? end : end + 1;
    }
    const std::string banner =
        end == std::string::npos ? result.output : result.output.substr(0, end);
    static const std::regex time_text("[0-9.]+(s|ms|us|ns)\\b");
    // A wrong banner shows in front of the body, so that every comparison fails on it.
    run.body = banner_problem(banner) +
               std::regex_replace(end == std::string::npos ? "" : result.output.substr(end),
                                  time_text, "T");
    return run;
}

Bytes Bench::memory(const std::string& which, const std::string& chip_file) const {
    avrsim({"read", file(chip_file), which, file("memory.hex")});
    const std::string text = read_file(file("memory.hex"));
    std::filesystem::remove(file("memory.hex"));
    std::size_t size = 0;
    const std::string line = which == "flash" ? "flash = " : "eeprom = ";
    const std::string shown = avrsim({"show", file(chip_file)});
    const std::size_t at = shown.find(line);
    if (at != std::string::npos) {
        size = std::stoul(shown.substr(at + line.size()));
    }
    return hex_bytes(text, size);
}

std::string Bench::setting(const std::string& key, const std::string& chip_file) const {
    std::istringstream shown(avrsim({"show", file(chip_file)}));
    std::string line;
    while (std::getline(shown, line)) {
        if (line.rfind(key + " = ", 0) == 0) {
            return line.substr(key.size() + 3);
        }
    }
    return "";
}

void Bench::set(const std::vector<std::string>& settings) const {
    std::vector<std::string> args = {"set", file("chip.avr")};
    args.insert(args.end(), settings.begin(), settings.end());
    avrsim(args);
}

void Bench::load(const std::string& which, const std::vector<HexRecord>& records) const {
    put("load.hex", hex_text(records));
    avrsim({"write", file("chip.avr"), which, file("load.hex")});
    std::filesystem::remove(file("load.hex"));
}

void Bench::put(const std::string& name, const std::string& content) const {
    write_file(file(name), content);
}

std::string Bench::get(const std::string& name) const {
    return read_file(file(name));
}

std::set<std::string> Bench::files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::string echo(const std::vector<std::string>& args) {
    return command_echo(args);
}

std::string connected(const std::string& row_name) {
    return "Device connected, " + row_name + " detected\n";
}

namespace {

struct Field {
    const char* name;
    int shift;
    unsigned mask;
};

struct FuseByte {
    const char* name;
    unsigned value;
    std::vector<Field> fields;
};

std::string fuse_report(const std::string& title, const std::string& osccal,
                        const std::vector<FuseByte>& bytes) {
    std::string text = title + "\n  OSCCALs\t= " + osccal + "\n";
    char line[64];
    for (const auto& byte : bytes) {
        std::snprintf(line, sizeof line, "%s = 0x%X\n", byte.name, byte.value);
        text += line;
        for (const auto& field : byte.fields) {
            std::snprintf(line, sizeof line, "  %-10s\t= %X\n", field.name,
                          (byte.value >> field.shift) & field.mask);
            text += line;
        }
    }
    return text;
}

} // namespace

std::string mega8_fuses(const std::string& title, unsigned lock, unsigned low, unsigned high,
                        const std::string& osccal) {
    return fuse_report(
        title, osccal,
        {{"_LOCK", lock, {{"BLB1", 4, 3}, {"BLB0", 2, 3}}},
         {"_LOW", low, {{"BODLEVEL", 7, 1}, {"BODEN", 6, 1}, {"SUT", 4, 3}, {"CKSEL", 0, 15}}},
         {"_HIGH",
          high,
          {{"RSTDISBL", 7, 1},
           {"WDTON", 6, 1},
           {"CKOPT", 4, 1},
           {"EESAVE", 3, 1},
           {"BOOTSZ", 1, 3},
           {"BOOTRST", 0, 1}}}});
}

std::string tiny2313_fuses(const std::string& title, unsigned low, unsigned high,
                           const std::string& osccal) {
    return fuse_report(
        title, osccal,
        {{"_LOW", low, {{"CKDIV", 7, 1}, {"CKOUT", 6, 1}, {"SUT", 4, 3}, {"CKSEL", 0, 15}}},
         {"_HIGH",
          high,
          {{"DWEN", 7, 1},
           {"EESAVE", 6, 1},
           {"WDTON", 4, 1},
           {"BODLEVEL", 1, 7},
           {"RSTDISBL", 0, 1}}},
         {"_EXT", 0xFF, {{"SELFPRGEN", 0, 1}}}});
}
