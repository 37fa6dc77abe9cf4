// In-process dorvik adapter: data-register bits to chip pins, MISO and loop-back to status.
#include "tests/dorvik/bench.h"

#include "dorvik/device_select.h"
#include "dorvik/isp_driver.h"
#include "dorvik/run_state.h"
#include "quarnel/devices/device_lookup.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace quarnel;

namespace {

constexpr std::uint32_t TEST_PORT = 0x378;
constexpr double ACCESS_US = 1.0;

int device_index(const std::string& name) {
    const int index = find_device(name.c_str());
    if (index < 0) {
        throw std::invalid_argument("unknown device " + name);
    }
    return index;
}

class BenchPort final : public dorvik::PortBackend {
  public:
    explicit BenchPort(Bench& owner) : bench(owner) {}
    std::uint8_t read_port(std::uint32_t address) override { return bench.read_port(address); }
    void write_port(std::uint32_t address, std::uint8_t value) override {
        bench.write_port(address, value);
    }

  private:
    Bench& bench;
};

} // namespace

Bench::Bench(const std::string& chip, ChipSettings settings, bool attach)
    : state(factory_chip(device_index(chip))), chip_settings(settings),
      model(state, chip_settings, clock), attached(attach) {}

void Bench::install() {
    dorvik::install_port_backend(std::make_unique<BenchPort>(*this));
}

void Bench::start(const std::string& device) {
    select_for_test(device);
    install();
    testing::internal::CaptureStdout();
    const int status = dorvik::isp_enter_programming();
    testing::internal::GetCapturedStdout();
    if (status != 0) {
        throw std::runtime_error("the chip does not answer programming enable");
    }
    seen = BenchLog{};
}

std::size_t Bench::count(std::uint8_t code) const {
    std::size_t n = 0;
    for (const auto& instruction : seen.instructions) {
        n += instruction[0] == code;
    }
    return n;
}

std::uint8_t Bench::read_port(std::uint32_t address) {
    clock.advance_us(ACCESS_US);
    if (address != TEST_PORT + 1 || !attached) {
        return 0x00;
    }
    std::uint8_t status = model.miso() ? dorvik::LINE_MISO : 0;
    // Loop-back: D1 to status bit 7 (inverted by the port), D0 to status bit 5.
    status |= (data & 0x02) ? 0x00 : 0x80;
    status |= (data & 0x01) ? 0x20 : 0x00;
    return status;
}

void Bench::write_port(std::uint32_t address, std::uint8_t value) {
    clock.advance_us(ACCESS_US);
    if (address != TEST_PORT) {
        return;
    }
    seen.data_writes.push_back(value);
    const bool rising = !(data & dorvik::LINE_SCK) && (value & dorvik::LINE_SCK);
    data = value;
    if (!attached) {
        return;
    }
    const bool reset = !(value & dorvik::LINE_RESET);
    if (!reset) {
        bits = 0;
    }
    model.set_reset(reset);
    model.set_mosi(value & dorvik::LINE_MOSI);
    model.set_sck(value & dorvik::LINE_SCK);
    if (rising) {
        auto& byte = frame[bits / 8];
        byte = static_cast<std::uint8_t>((byte << 1) | ((value & dorvik::LINE_MOSI) ? 1 : 0));
        if (++bits == 32) {
            seen.instructions.push_back(frame);
            bits = 0;
        }
    }
}

void select_for_test(const std::string& device) {
    dorvik::state = dorvik::RunState{};
    dorvik::state.lpt_base = TEST_PORT;
    dorvik::state.device_name = device;
    if (dorvik::select_device() != 0) {
        throw std::invalid_argument("dorvik does not know " + device);
    }
}
