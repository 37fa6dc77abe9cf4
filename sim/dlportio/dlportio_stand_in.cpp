// Stand-in for the DLPortIO library: a parallel port with an adapter and a virtual chip.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "sim/port_bus_clock.h"
#include "sim/target_session.h"
#include "sim/virtual_port.h"
#include "sim/wiring.h"

using namespace avrsim;

namespace {

// The port as the target file describes it; a session without a target has nothing on it.
// The port's base address in hex picks the file: AVRSIM_TARGET_378 for the port at 0x378 (so
// that programs on several ports each have a chip of their own), else AVRSIM_TARGET.
class StandInPort {
  public:
    explicit StandInPort(std::uint32_t address)
        : session_(target_path_for(base_name(address)), bus_),
          writes_(session_.counter("port_writes")), reads_(session_.counter("port_reads")) {
        if (session_.loaded()) {
            Target& target = session_.target();
            port_ = std::make_unique<VirtualPort>(wiring_for(target.adapter), session_.chip(),
                                                  PortOptions{target.direction_reads_back});
            bus_.set_cycle_us(target.port_cycle_us);
        }
    }

    void write(std::uint32_t address, std::uint8_t value) {
        ++writes_;
        bus_.access();
        session_.before_access();
        if (port_) {
            port_->write(register_offset(address), value);
        }
    }

    std::uint8_t read(std::uint32_t address) {
        ++reads_;
        bus_.access();
        session_.before_access();
        const int offset = register_offset(address);
        return port_ ? port_->read(offset) : idle_value(offset);
    }

    void write_buffer(std::uint32_t address, const unsigned char* buffer, std::uint32_t count) {
        // Counted from the first one on: a library without the call has no such count.
        if (buffer_writes_ == nullptr) {
            buffer_writes_ = &session_.counter("buffer_writes");
        }
        ++*buffer_writes_;
        for (std::uint32_t i = 0; buffer != nullptr && i < count; ++i) {
            write(address, buffer[i]);
        }
    }

  private:
    static std::string base_name(std::uint32_t address) {
        char text[16];
        std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(address & ~0x403u));
        return text;
    }

    // Data, status and control lie at offsets 0 to 2 of any base (0x378, 0x278, 0x3BC...); the
    // ECP registers 0x400 above the base, and offset 3, are not ports of this model (-1).
    static int register_offset(std::uint32_t address) {
        return (address & 0x400) || (address & 3) == 3 ? -1 : int(address & 3);
    }

    // Registers of a port with nothing attached: open status inputs read high (BUSY as 0).
    static std::uint8_t idle_value(int offset) { return offset == 1 ? 0x7F : 0xFF; }

    port_bus_clock bus_; // before the session: its chip runs on this clock
    TargetSession session_;
    long& writes_;
    long& reads_;
    long* buffer_writes_ = nullptr;
    std::unique_ptr<VirtualPort> port_;
};

// Created on first use and kept until the library unloads: a program may still use the
// port from its own static destructors, which run before those of this library's statics.
StandInPort* instance = nullptr;

// The first address a program uses picks the target file for the process.
StandInPort& port(std::uint32_t address) {
    if (instance == nullptr) {
        instance = new StandInPort(address);
    }
    return *instance;
}

// Runs at dlclose, or at process exit after the program's own destructors: saves the chip.
__attribute__((destructor)) void release_port() {
    delete instance;
    instance = nullptr;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) unsigned char
DlPortReadPortUchar(std::uint32_t port_address) {
    return port(port_address).read(port_address);
}

__attribute__((visibility("default"))) void DlPortWritePortUchar(std::uint32_t port_address,
                                                                 unsigned char value) {
    port(port_address).write(port_address, value);
}

#ifndef AVRSIM_WITHOUT_BUFFER_WRITE
__attribute__((visibility("default"))) void
DlPortWritePortBufferUchar(std::uint32_t port_address, unsigned char* buffer, std::uint32_t count) {
    port(port_address).write_buffer(port_address, buffer, count);
}
#endif
}
