// The recording in-memory port.
#include "tests/quarnel/adapters/lpt/fake_port.h"

int count_accesses(const std::vector<PortAccess>& log, char kind, std::uint8_t offset) {
    int n = 0;
    for (const PortAccess& a : log) {
        n += a.kind == kind && a.offset == offset;
    }
    return n;
}

std::uint8_t fake_port_t::read_register(std::uint8_t offset) {
    std::uint8_t value = data;
    if (offset == LPT_STATUS) {
        value = status ? status(data) : 0;
    } else if (offset == LPT_CONTROL) {
        value = direction_reads_back ? control : control & ~LPT_CONTROL_DATA_INPUT;
    }
    log->push_back({'r', offset, {value}});
    return value;
}

void fake_port_t::write_register(std::uint8_t offset, std::uint8_t value) {
    log->push_back({'w', offset, {value}});
    if (offset == LPT_DATA) {
        data = value;
        if (on_data) {
            on_data(value);
        }
    } else if (offset == LPT_CONTROL) {
        control = value;
    }
}

void fake_port_t::write_data_block(const std::uint8_t* bytes, int len) {
    log->push_back({'b', LPT_DATA, std::vector<std::uint8_t>(bytes, bytes + len)});
    for (int i = 0; i < len; ++i) {
        data = bytes[i];
        if (on_data) {
            on_data(data);
        }
    }
}
