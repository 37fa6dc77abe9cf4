// Fuse, lock and calibration operations: read, merge, write, verify, print.
#include "quarnel/isp/fuse_operations.h"

#include "quarnel/common/console.h"
#include "quarnel/common/user_break.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/fuse_layout.h"
#include "quarnel/devices/fuse_request.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/isp_opcodes.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/isp/session.h"

#include <string_view>

namespace quarnel {

namespace {

// The field list of a fuse byte of the row in force, or null.
const FuseField* fields_of(const IspSession& session, int index) {
    const FuseLayout* layout = session.current_device().fuse_layout;
    return layout != nullptr ? layout->bytes[index] : nullptr;
}

std::uint8_t field_value(const FuseField& field, std::uint8_t byte) {
    return std::uint8_t((byte >> field.shift) & field.max_value());
}

// Read instructions (first two bytes) of the fuse bytes of format 3, by index.
constexpr std::uint8_t read_codes[fuse_byte_count][2] = {
    {isp_opcode::read_lock, 0x00},
    {isp_opcode::read_fuse, 0x00},
    {isp_opcode::read_lock, isp_opcode::high_byte_select},
    {isp_opcode::read_fuse, isp_opcode::high_byte_select}};
// Second instruction byte of the writes of format 3, by index.
constexpr std::uint8_t write_codes[fuse_byte_count] = {
    isp_opcode::write_lock, isp_opcode::write_fuse_low, isp_opcode::write_fuse_high,
    isp_opcode::write_fuse_ext};

std::uint8_t merged(const FuseByteRequest& byte) {
    return std::uint8_t((byte.wanted & byte.request_mask) |
                        ((~byte.defined_mask | byte.read_value) & ~byte.request_mask));
}

} // namespace

std::uint8_t read_fuse_byte(const IspSession& session, std::uint8_t first, std::uint8_t second) {
    const Instruction command = {first, second, 0x00, 0x00};
    const Instruction reply = session.isp().exchange(command);
    trace_exchange(4, "Read Fuses", command.data(), reply.data());
    check_echo(command, reply);
    poll_user_break();
    return reply[3];
}

void read_fuses(IspSession& session) {
    FuseByteRequest* bytes = session.fuses.bytes;
    switch (session.current_device().fuse_format) {
    case 1:
        bytes[FUSE_LOW].read_value = read_fuse_byte(session, isp_opcode::read_lock, 0x00);
        break;
    case 2:
        bytes[FUSE_LOW].read_value = read_fuse_byte(session, isp_opcode::read_fuse, 0x00);
        break;
    case 3:
        for (int index : {FUSE_LOW, FUSE_LOCK, FUSE_HIGH, FUSE_EXT}) {
            if (fields_of(session, index) != nullptr) {
                bytes[index].read_value =
                    read_fuse_byte(session, read_codes[index][0], read_codes[index][1]);
            }
        }
        break;
    default:
        break;
    }
}

std::array<std::uint8_t, 4> fuse_read_values(const IspSession& session) {
    std::array<std::uint8_t, 4> values{};
    for (int i = 0; i < fuse_byte_count; ++i) {
        values[i] = session.fuses.bytes[i].read_value;
    }
    return values;
}

void read_osccal(IspSession& session) {
    const int count = session.current_device().osccal_count;
    for (int i = 0; i < count && i < 4; ++i) {
        const Instruction command = {isp_opcode::read_calibration, 0x00, std::uint8_t(i), 0x00};
        const Instruction reply = session.isp().exchange(command);
        trace_exchange(4, "Read Osccal", command.data(), reply.data());
        check_echo(command, reply);
        session.calibration[i] = reply[3];
        poll_user_break();
    }
}

void write_fuse_byte(const IspSession& session, std::uint8_t second, std::uint8_t fourth) {
    const Instruction command = {isp_opcode::program, second, 0x00, fourth};
    const Instruction reply = session.isp().exchange(command);
    trace_exchange(4, "Write Fuses", command.data(), reply.data());
    session.isp().delay_ms(4.0f * session.waits.eeprom_byte);
    check_echo(command, reply);
}

void program_fuses(IspSession& session) {
    console_log(2, "Programming fuses\n");
    FuseByteRequest* bytes = session.fuses.bytes;
    for (FuseByteRequest& byte : session.fuses.bytes) {
        byte.wanted = merged(byte);
    }
    switch (session.current_device().fuse_format) {
    case 1:
    case 2:
        write_fuse_byte(session, std::uint8_t((bytes[FUSE_LOW].wanted & 0xBF) | 0xA0), 0x00);
        break;
    case 3:
        // The lock byte goes last.
        for (int index : {FUSE_LOW, FUSE_HIGH, FUSE_EXT, FUSE_LOCK}) {
            if (fields_of(session, index) != nullptr && bytes[index].request_mask != 0) {
                write_fuse_byte(session, write_codes[index], bytes[index].wanted);
            }
        }
        break;
    default:
        break;
    }
}

bool eesave_programmed(const IspSession& session) {
    if (session.current_device().fuse_format < 2) {
        return false; // the layouts of the older formats have no EESAVE
    }
    for (int index : {FUSE_LOW, FUSE_HIGH, FUSE_EXT}) {
        for (const FuseField* field = fields_of(session, index);
             field != nullptr && field->fuse != nullptr; ++field) {
            if (std::string_view(field->fuse->name) != "EESAVE") {
                continue;
            }
            // The only fuse byte of format 2 reads as format 3 reads its low byte.
            const std::uint8_t byte =
                read_fuse_byte(session, read_codes[index][0], read_codes[index][1]);
            return field_value(*field, byte) == 0;
        }
    }
    return false;
}

bool fuses_need_erase(const IspSession& session) {
    const DeviceInfo& device = session.current_device();
    if (device.fuse_format != 3 || fields_of(session, FUSE_LOCK) == nullptr) {
        return false;
    }
    const FuseByteRequest& lock = session.fuses.bytes[FUSE_LOCK];
    return (lock.wanted & lock.request_mask & ~lock.read_value) != 0;
}

bool verify_fuses(IspSession& session) {
    console_log(2, "Verifying fuses\n");
    read_fuses(session);
    bool passed = true;
    for (int index = 0; index < fuse_byte_count; ++index) {
        const FuseByteRequest& byte = session.fuses.bytes[index];
        const FuseField* field = fields_of(session, index);
        for (; field != nullptr && field->fuse != nullptr; ++field) {
            if ((byte.request_mask & field->mask()) == 0) {
                continue;
            }
            const std::uint8_t expected = field_value(*field, byte.wanted);
            const std::uint8_t read = field_value(*field, byte.read_value);
            if (expected != read) {
                console_log(0, "  %-8s: expected %X, read %X\n", field->fuse->name, expected, read);
                passed = false;
            }
        }
    }
    if (!passed) {
        console_log(0, "Verifying of fuses failed\n");
        return false;
    }
    console_log(2, "passed\n");
    return true;
}

void print_fuse_values(const IspSession& session, const char* title,
                       const std::array<std::uint8_t, 4>& values) {
    console_log(2, "%s\n", title);
    const int calibration_count = session.current_device().osccal_count;
    if (calibration_count > 0) {
        console_log(2, "  OSCCAL%c\t=", calibration_count >= 2 ? 's' : ' ');
        for (int i = 0; i < calibration_count && i < 4; ++i) {
            console_log(2, " %02X", session.calibration[i]);
        }
        console_log(2, "\n");
    }
    for (int index = 0; index < fuse_byte_count; ++index) {
        const FuseField* field = fields_of(session, index);
        if (field == nullptr) {
            continue;
        }
        console_log(2, "%s = 0x%X\n", byte_name(index), values[index]);
        for (; field->fuse != nullptr; ++field) {
            console_log(2, "  %-10s\t= %X\n", field->fuse->name,
                        field_value(*field, values[index]));
        }
    }
}

void print_lock_state(const IspSession& session) {
    static const char* const levels[] = {"not locked", "locked - programming disabled",
                                         "locked - reading and programming disabled"};
    if (session.lock_state >= 0 && session.lock_state <= 2) {
        console_log(2, "Chip %s\n", levels[session.lock_state]);
    } else {
        console_log(2, "Lock state unknown\n");
    }
}

} // namespace quarnel
