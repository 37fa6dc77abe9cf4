// avrsim: create, show, change, read and write the target files of the virtual AVR chip.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "quarnel/devices/device_info.h"
#ifdef AVRSIM_SERIAL_BOARDS
#include "sim/arduinoisp/pty_board.h"

#include <csignal>
#endif
#include "sim/hex_records.h"
#include "sim/target_file.h"

using namespace quarnel;
using namespace avrsim;

namespace {

constexpr int status_ok = 0;
constexpr int status_failed = 1;
constexpr int status_usage = 2;

void print_usage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: avrsim new FILE CHIP [key=value...]   create a target file (factory chip)\n"
        "       avrsim show FILE                      print its settings and contents\n"
        "       avrsim set FILE key=value...          change settings\n"
        "       avrsim read FILE flash|eeprom OUT.hex  save a memory as Intel HEX\n"
        "       avrsim write FILE flash|eeprom IN.hex  load a memory from Intel HEX\n"
        "                                             (the rest of the memory is erased)\n"
#ifdef AVRSIM_SERIAL_BOARDS
        "       avrsim arduinoisp FILE [option=value...]\n"
        "                                             an ArduinoISP board with the chip on\n"
        "                                             a pseudo-terminal: prints its path,\n"
        "                                             serves until SIGTERM or SIGINT\n"
        "         options: baud=19200 boot_ms=1000 sck_hz=125000 page_wait_ms=30\n"
        "                  fault=silent|garbage\n"
        "                  garbage_after=N stall_after=N (commands after each reset)\n"
#endif
        "CHIP is a device name of the catalogue (mega8, tiny85, mega2560...).\n"
        "The parallel-port and FTDI stand-in libraries use the file named by AVRSIM_TARGET\n"
        "and keep each write of the chip in it the moment it is made.\n"
        "Keys:\n%s",
        setting_help());
}

std::vector<std::uint8_t>& memory_named(Target& target, const std::string& name) {
    if (name == "flash") {
        return target.chip.flash;
    }
    if (name == "eeprom") {
        return target.chip.eeprom;
    }
    throw target_error("memory must be flash or eeprom, not '" + name + "'");
}

void show(const Target& target) {
    std::istringstream text(target_text(target));
    std::string line;
    while (std::getline(text, line)) {
        if (line.rfind("flash ", 0) != 0 && line.rfind("eeprom ", 0) != 0 && line[0] != '#') {
            std::printf("%s\n", line.c_str());
        }
    }
    std::printf("signature = %06X\n", unsigned(target.chip.info().signature));
    const std::vector<std::uint8_t>* memories[2] = {&target.chip.flash, &target.chip.eeprom};
    const char* names[2] = {"flash", "eeprom"};
    for (int i = 0; i < 2; ++i) {
        std::size_t used = 0;
        for (std::uint8_t byte : *memories[i]) {
            used += byte != 0xFF;
        }
        std::printf("%s = %zu bytes, %zu not erased\n", names[i], memories[i]->size(), used);
    }
}

#ifdef AVRSIM_SERIAL_BOARDS
volatile bool board_stop = false;

void stop_board(int) {
    board_stop = true;
}

int serve_board(int argc, char** argv) {
    const board_settings settings = parse_board_settings(argc - 3, argv + 3);
    const monotonic_clock clock;
    TargetSession session(argv[2], clock);
    if (!session.loaded()) {
        return status_failed;
    }
    pty_board board(session, settings);
    std::signal(SIGTERM, stop_board);
    std::signal(SIGINT, stop_board);
    std::printf("%s\n", board.path().c_str());
    std::fflush(stdout);
    board.serve(board_stop);
    return status_ok;
}
#endif

int run(const std::vector<std::string>& args) {
    if (args.empty()) {
        print_usage(stderr);
        return status_usage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        print_usage(stdout);
        return status_ok;
    }
    if (command == "new" && args.size() >= 3) {
        Target target = new_target(args[2]);
        for (std::size_t i = 3; i < args.size(); ++i) {
            apply_setting_text(target, args[i]);
        }
        save_target(target, args[1]);
        return status_ok;
    }
    if (command == "show" && args.size() == 2) {
        show(load_target(args[1]));
        return status_ok;
    }
    if (command == "set" && args.size() >= 3) {
        Target target = load_target(args[1]);
        for (std::size_t i = 2; i < args.size(); ++i) {
            apply_setting_text(target, args[i]);
        }
        save_target(target, args[1]);
        return status_ok;
    }
    if (command == "read" && args.size() == 4) {
        Target target = load_target(args[1]);
        write_hex(args[3], memory_named(target, args[2]));
        return status_ok;
    }
    if (command == "write" && args.size() == 4) {
        Target target = load_target(args[1]);
        std::vector<std::uint8_t>& memory = memory_named(target, args[2]);
        std::vector<std::uint8_t> contents(memory.size(), 0xFF);
        read_hex_into(args[3], contents);
        memory = contents;
        save_target(target, args[1]);
        return status_ok;
    }
    print_usage(stderr);
    return status_usage;
}

} // namespace

int main(int argc, char** argv) {
    try {
#ifdef AVRSIM_SERIAL_BOARDS
        if (argc >= 3 && std::strcmp(argv[1], "arduinoisp") == 0) {
            return serve_board(argc, argv);
        }
#endif
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const target_error& error) {
        std::fprintf(stderr, "avrsim: %s\n", error.what());
        return status_failed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "avrsim: %s\n", error.what());
        return status_failed;
    }
}
