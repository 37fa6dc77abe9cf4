// Bit exchange, instructions, adapter probe, programming enable and release.
#include "dorvik/isp_driver.h"

#include "dorvik/port_access.h"
#include "dorvik/run_state.h"
#include "platform/clock.h"

#include <cstdio>

namespace dorvik {
namespace {

constexpr unsigned RESET_PHASE_MS = 25;
constexpr unsigned PROBE_SETTLE_MS = 25;
// Programming enable is judged this many times; one attempt more gives up.
constexpr int ENABLE_ATTEMPTS = 32;

void write_data(std::uint8_t value) {
    port_write(state.lpt_base, value);
}
std::uint8_t read_status() {
    return port_read(state.lpt_base + 1);
}

} // namespace

std::uint8_t isp_exchange_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        write_data(0x00); // SCK falls: the target shifts out its next bit
        in = static_cast<std::uint8_t>(in << 1);
        if (read_status() & LINE_MISO) {
            in |= 1;
        }
        const std::uint8_t mosi = ((out >> bit) & 1) ? LINE_MOSI : 0x00;
        write_data(mosi);
        write_data(mosi | LINE_SCK); // the target samples MOSI on this edge
        write_data(mosi | LINE_SCK); // holds SCK high one access longer
    }
    return in;
}

std::uint8_t isp_command(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4) {
    isp_exchange_byte(b1);
    if (isp_exchange_byte(b2) != b1 || isp_exchange_byte(b3) != b2) {
        ++state.echo_failures;
        return 0xFF;
    }
    return isp_exchange_byte(b4);
}

unsigned isp_echo_failures() {
    return state.echo_failures;
}

bool isp_stayed_in_step(unsigned failures_before, const char* doing) {
    if (state.echo_failures == failures_before) {
        return true;
    }
    std::printf("  Error: the chip lost step while %s.\n", doing);
    return false;
}

int probe_adapter() {
    write_data(0x00);
    platform::sleep_ms(PROBE_SETTLE_MS);
    const std::uint8_t s1 = read_status();
    write_data(PROBE_OUTPUTS);
    platform::sleep_ms(PROBE_SETTLE_MS);
    const std::uint8_t s2 = read_status();
    if (((s1 ^ s2) & PROBE_INPUTS) == PROBE_INPUTS) {
        return 0;
    }
    std::printf("  Programmator interface not connected.\n");
    return -1;
}

int isp_enter_programming() {
    std::printf("  Reset device...\t\t\t\t\tok.\n");
    for (int attempt = 1;; ++attempt) {
        write_data(0x00);
        platform::sleep_ms(RESET_PHASE_MS);
        write_data(LINE_RESET);
        platform::sleep_ms(RESET_PHASE_MS);
        write_data(0x00);
        platform::sleep_ms(RESET_PHASE_MS);
        isp_exchange_byte(0xAC);
        isp_exchange_byte(0x53);
        const std::uint8_t echo = isp_exchange_byte(0x00);
        isp_exchange_byte(0x00);
        if (attempt > ENABLE_ATTEMPTS) {
            std::printf("  Check programmator interface and power supplay.\n");
            return -1;
        }
        if (echo == 0x53) {
            return 0;
        }
    }
}

void release_target() {
    write_data(RELEASE_BYTE);
}

} // namespace dorvik
