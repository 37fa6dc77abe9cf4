// Erase, fuse and lock instructions with their waits and read-back checks.
#include "dorvik/config_bytes.h"

#include "dorvik/isp_driver.h"
#include "platform/clock.h"

#include <cstdio>

namespace dorvik {
namespace {

constexpr unsigned ERASE_WAIT_MS = 30;
constexpr unsigned FUSE_WAIT_MS = 10;
// The two top lock bits do not exist; they are always written as 1.
constexpr std::uint8_t LOCK_UNUSED_BITS = 0xC0;

struct ByteWrite {
    std::uint8_t write_code;     // second byte of the write instruction
    std::uint8_t (*read_back)(); // reads the byte that was written
    const char* title;           // printed while the write runs
    const char* ok_line;
    const char* error_line;
};

// Writes `value` and compares the bits of `checked` with the byte read back.
int write_and_check(const ByteWrite& w, std::uint8_t value, std::uint8_t checked) {
    std::printf("%s", w.title);
    isp_command(0xAC, w.write_code, 0x00, value);
    platform::sleep_ms(FUSE_WAIT_MS);
    if (((w.read_back() ^ value) & checked) == 0) {
        std::printf("%s", w.ok_line);
        return 1;
    }
    std::printf("%s", w.error_line);
    return -1;
}

constexpr ByteWrite FUSE_LOW{0xA0, read_fuse_low, "  Write low fuse bits...",
                             "\r  Write low fuse bits...\t\t\t\tok.\t\n",
                             "\r  Write low fuse bits...\t\t\t\terror.\t\n"};
constexpr ByteWrite FUSE_HIGH{0xA8, read_fuse_high, "  Write high fuse bits...",
                              "\r  Write high fuse bits...\t\t\t\tok.\t\n",
                              "\r  Write high fuse bits...\t\t\t\terror.\t\n"};
constexpr ByteWrite FUSE_EXT{0xA4, read_fuse_ext, "  Write extended fuse bits...",
                             "\r  Write extended fuse bits...\t\t\tok.\t\n",
                             "\r  Write extended fuse bits...\t\t\terror.\t\n"};
constexpr ByteWrite LOCK{0xF0, read_lock_bits, "  Write lock bits...",
                         "\r  Write lock bits...\t\t\t\t\tok.\t\n",
                         "\r  Write lock bits...\t\t\t\t\terror.\t\n"};

} // namespace

void erase_chip() {
    std::printf("  Erase chip...");
    isp_command(0xAC, 0x80, 0x00, 0x00);
    platform::sleep_ms(ERASE_WAIT_MS);
    std::printf("\r  Erase chip...\t\t\t\t\t\tok.\n");
}

std::uint8_t read_fuse_low() {
    return isp_command(0x50, 0x00, 0x00, 0x00);
}
std::uint8_t read_fuse_high() {
    return isp_command(0x58, 0x08, 0x00, 0x00);
}
std::uint8_t read_fuse_ext() {
    return isp_command(0x50, 0x08, 0x00, 0x00);
}

int write_fuse_low(std::uint8_t value) {
    return write_and_check(FUSE_LOW, value, 0xFF);
}
int write_fuse_high(std::uint8_t value) {
    return write_and_check(FUSE_HIGH, value, 0xFF);
}
int write_fuse_ext(std::uint8_t value) {
    return write_and_check(FUSE_EXT, value, 0xFF);
}

int write_lock(std::uint8_t value) {
    // Only the six real lock bits are compared: how a chip reads its unused
    // top bits back is no sign of success or failure.
    const auto written = static_cast<std::uint8_t>(value | LOCK_UNUSED_BITS);
    return write_and_check(LOCK, written, static_cast<std::uint8_t>(~LOCK_UNUSED_BITS));
}

std::uint8_t read_lock_bits() {
    return isp_command(0x58, 0x00, 0x00, 0x00);
}

std::uint8_t read_lock() {
    std::printf("  Read lock bits");
    return read_lock_bits();
}

} // namespace dorvik
