// Entering serial programming mode: reset, programming enable with resync, signature, identity.
#include "quarnel/isp/programming_mode.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/isp_opcodes.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/isp/session.h"

namespace quarnel {

namespace {

constexpr std::uint8_t in_step = isp_opcode::enable;
constexpr int sck_resync_tries = 32;
constexpr std::uint32_t protected_signature = 0x000102;

// Old chips without page mode realign one bit per extra SCK pulse.
void resync_by_sck_pulses(IspSession& session) {
    for (int n = 1;; ++n) {
        poll_user_break();
        if (n > sck_resync_tries) {
            console_log(0, "Can't resync\n");
            throw app_error(EXIT_SYNC_LOST);
        }
        console_log(4, "\t%% Try %d to resync by SCK pulse", n);
        session.isp().sck_pulse();
        if (send_program_enable(session) == in_step) {
            console_log(3, "\t%% Synchronised after %d try\n", n + 1);
            return;
        }
    }
}

std::uint32_t read_signature(IspSession& session) {
    std::uint32_t signature = 0;
    for (std::uint8_t i = 0; i < 3; ++i) {
        const Instruction command = {isp_opcode::read_signature, 0x00, i, 0x00};
        const Instruction reply = session.isp().exchange(command);
        trace_reply(3, "GetID reply", reply.data());
        check_echo(command, reply);
        signature = (signature << 8) + reply[3];
        poll_user_break();
    }
    console_log(3, "\t%% Read ID: 0x%06X\n", signature);
    return signature;
}

} // namespace

std::uint8_t send_program_enable(const IspSession& session) {
    const Instruction reply =
        session.isp().exchange({isp_opcode::program, isp_opcode::enable, 0x00, 0x00});
    trace_reply(3, "PgmOn reply", reply.data());
    return reply[2];
}

bool chip_answers(IspSession& session) {
    programmer_t& programmer = session.isp();
    programmer.set_reset(true);
    programmer.delay_ms(30.0f);
    if (send_program_enable(session) == in_step) {
        return true;
    }
    programmer.reset_pulse();
    return send_program_enable(session) == in_step;
}

void enter_programming_mode(IspSession& session) {
    DeviceSelection& device = session.device;
    const int expected =
        device.requested() ? find_device(device.requested()) : device.detected_index;
    programmer_t& programmer = session.isp();
    console_log(3, "\t%% Reset\n");
    programmer.set_reset(true);
    programmer.delay_ms(100.0f);
    std::uint8_t answer = send_program_enable(session);
    if (answer != in_step) {
        programmer.reset_pulse();
        console_log(4, "\t%% Try to resync by reset pulse");
        answer = send_program_enable(session);
    }
    // Chips that never echo are judged by their signature alone.
    if (answer != in_step && expected >= 0 && !(device_table[expected].flags & DEV_NO_ECHO)) {
        resync_by_sck_pulses(session);
    }
    const std::uint32_t signature = read_signature(session);
    identify_chip(device, signature);
    console_log(2, "Device connected, ");
    if (device.detected_index >= 0) {
        console_log(2, "%s detected\n", device_table[device.detected_index].names);
    } else {
        console_log(2, "but not recognised, ID: 0x%06X%s\n", signature,
                    signature == protected_signature ? " (looks as protected)" : "");
    }
}

// With a requested name the first row that has the signature and the name
// wins; otherwise the last row with the signature.
int identify_chip(DeviceSelection& device, std::uint32_t signature) {
    int& detected_index = device.detected_index;
    detected_index = -1;
    const char* name = device.requested();
    for (int i = 0; device_table[i].names != nullptr; ++i) {
        if (device_table[i].signature != signature) {
            continue;
        }
        detected_index = i;
        if (name != nullptr && names_match(name, device_table[i].names)) {
            break;
        }
    }
    return detected_index;
}

} // namespace quarnel
