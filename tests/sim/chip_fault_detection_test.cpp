// Programmer faults the virtual chip must reveal, and what it shows while it is busy.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "quarnel/devices/device_info.h"
#include "tests/sim/isp_helpers.h"

using namespace quarnel;

namespace {

ChipSettings clocked_at(double hz) {
    ChipSettings settings;
    settings.clock_hz = hz;
    return settings;
}

// A small programmer on raw instructions. It notes every wrong echo, so a scenario can
// tell a chip that lost step from one that lost data.
class Bench {
  public:
    explicit Bench(const char* device, double clock_hz = 16e6, double phase_us = 0)
        : spi(device, clocked_at(clock_hz)) {
        spi.set_phase_us(phase_us);
        echo_ok = enter_programming(spi) == 0x53;
    }

    std::uint8_t send(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4) {
        const Reply reply = isp(spi, b1, b2, b3, b4);
        echo_ok = echo_ok && reply[1] == b1;
        return reply[3];
    }
    // Page loads of `data` from byte address `start`; `swap` sends the bytes of each word
    // with each other's instruction.
    void load_page(std::uint32_t start, const std::vector<std::uint8_t>& data, bool swap = false) {
        for (std::uint32_t i = 0; i < data.size(); ++i) {
            const std::uint32_t address = start + i;
            const bool high = ((address & 1) != 0) != swap;
            send(high ? 0x48 : 0x40, std::uint8_t(address >> 9), std::uint8_t(address >> 1),
                 data[i]);
        }
    }
    void write_page(std::uint32_t address) {
        send(0x4C, std::uint8_t(address >> 9), std::uint8_t(address >> 1), 0x00);
    }
    void extended_address(std::uint8_t x) { send(0x4D, 0x00, x, 0x00); }
    std::uint8_t read_flash(std::uint32_t address) {
        return send((address & 1) ? 0x28 : 0x20, std::uint8_t(address >> 9),
                    std::uint8_t(address >> 1), 0x00);
    }
    bool flash_holds(std::uint32_t start, const std::vector<std::uint8_t>& data) {
        bool same = true;
        for (std::uint32_t i = 0; i < data.size(); ++i) {
            same = read_flash(start + i) == data[i] && same;
        }
        return same && echo_ok;
    }
    void write_eeprom(std::uint16_t address, std::uint8_t value) {
        send(0xC0, std::uint8_t(address >> 8), std::uint8_t(address), value);
    }
    std::uint8_t read_eeprom(std::uint16_t address) {
        return send(0xA0, std::uint8_t(address >> 8), std::uint8_t(address), 0x00);
    }
    void erase() { send(0xAC, 0x80, 0x00, 0x00); }
    void wait_ms(float ms) { spi.delay_ms(ms); }

    // Clocks the top `bits` bits of `value` into the chip, SCK by SCK, and returns what
    // MISO showed. A programmer in step sets MOSI before the rising edge and samples MISO
    // before the falling one; `late_mosi` and `late_miso` move each past that edge.
    std::uint8_t clock_bits(std::uint8_t value, int bits, bool late_mosi = false,
                            bool late_miso = false) {
        std::uint8_t in = 0;
        for (int bit = 7; bit > 7 - bits; --bit) {
            const bool out = (value >> bit) & 1;
            if (!late_mosi) {
                spi.chip().set_mosi(out);
            }
            spi.clock().advance_us(spi.low_us());
            spi.chip().set_sck(true);
            if (late_mosi) {
                spi.chip().set_mosi(out);
            }
            spi.clock().advance_us(spi.high_us());
            const bool before_fall = spi.chip().miso();
            spi.chip().set_sck(false);
            in = std::uint8_t((in << 1) | ((late_miso ? spi.chip().miso() : before_fall) ? 1 : 0));
        }
        return in;
    }

    // Read Signature Byte `index` bit by bit; the byte read, or -1 for a wrong echo.
    int signature_by_bits(std::uint8_t index, bool late_mosi, bool late_miso) {
        std::uint8_t reply[4];
        const std::uint8_t instruction[4] = {0x30, 0x00, index, 0x00};
        for (int i = 0; i < 4; ++i) {
            reply[i] = clock_bits(instruction[i], 8, late_mosi, late_miso);
        }
        return reply[1] == 0x30 ? reply[3] : -1;
    }

    chip_spi_t spi;
    bool echo_ok = true;
};

std::vector<std::uint8_t> pattern(std::size_t size, int seed) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = std::uint8_t(i * 7 + std::size_t(seed));
    }
    return data;
}

// mega328P: 128-byte pages, 4.5 ms page write, 3.6 ms EEPROM byte, 9 ms chip erase.
const std::vector<std::uint8_t> page_a = pattern(128, 3);
const std::vector<std::uint8_t> page_b = pattern(128, 100);

// Each scenario is run as a careful programmer would (faulty = false), which must leave
// the chip right, and with one fault, which must show in the data read back or the echo.
struct Scenario {
    const char* fault;
    std::function<bool(bool faulty)> run;
};

const Scenario scenarios[] = {
    {"page write sent before the previous one ended",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(0, page_a);
         b.write_page(0);
         b.wait_ms(faulty ? 2.5f : 4.5f);
         b.load_page(128, page_b);
         b.write_page(128);
         b.wait_ms(4.5f);
         return b.flash_holds(0, page_a) && b.flash_holds(128, page_b);
     }},
    {"data polling on a byte that reads 0xFF while busy as well",
     [](bool faulty) {
         Bench b("mega8"); // 64-byte pages that read 0xFF while they are written
         std::vector<std::uint8_t> first = pattern(64, 3);
         first[63] = 0xFF;
         const std::uint32_t polled = faulty ? 63 : 62;
         b.load_page(0, first);
         b.write_page(0);
         for (int polls = 0; polls < 1000 && b.read_flash(polled) != first[polled]; ++polls) {
         }
         b.load_page(64, pattern(64, 50));
         b.write_page(64);
         b.wait_ms(4.5f);
         return b.flash_holds(0, first) && b.flash_holds(64, pattern(64, 50));
     }},
    {"no wait after an EEPROM byte",
     [](bool faulty) {
         Bench b("mega328P");
         b.write_eeprom(0x10, 0x11);
         b.wait_ms(faulty ? 2.0f : 5.0f);
         b.write_eeprom(0x11, 0x22);
         b.wait_ms(5.0f);
         return b.read_eeprom(0x10) == 0x11 && b.read_eeprom(0x11) == 0x22 && b.echo_ok;
     }},
    {"writes too soon after a chip erase",
     [](bool faulty) {
         Bench b("mega328P");
         b.spi.state().flash[0] = 0x00;
         b.erase();
         b.wait_ms(faulty ? 6.0f : 20.0f);
         b.load_page(0, page_a);
         b.write_page(0);
         b.wait_ms(4.5f);
         b.write_eeprom(7, 0x5A);
         b.wait_ms(5.0f);
         return b.flash_holds(0, page_a) && b.read_eeprom(7) == 0x5A;
     }},
    {"low and high bytes swapped in the page loads",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(256, page_a, faulty);
         b.write_page(256);
         b.wait_ms(4.5f);
         return b.flash_holds(256, page_a);
     }},
    {"page written at the next page's address",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(256, page_a);
         b.write_page(faulty ? 384 : 256);
         b.wait_ms(4.5f);
         return b.flash_holds(256, page_a) && b.spi.state().flash[384] == 0xFF;
     }},
    {"no Load Extended Address above 128 KB",
     [](bool faulty) {
         Bench b("mega2560");
         const std::vector<std::uint8_t> page = pattern(256, 9);
         if (!faulty) {
             b.extended_address(1);
         }
         b.load_page(0x20000, page);
         b.write_page(0x20000);
         b.wait_ms(4.5f);
         b.extended_address(1);
         return b.flash_holds(0x20000, page) && b.spi.state().flash[0] == 0xFF;
     }},
    {"one SCK edge too many",
     [](bool faulty) {
         Bench b("mega328P");
         if (faulty) {
             b.spi.sck_pulse();
         }
         return read_signature(b.spi) == 0x1E950Fu && b.send(0x30, 0x00, 0x00, 0x00) == 0x1E &&
                b.echo_ok;
     }},
    {"one SCK edge too few",
     [](bool faulty) {
         Bench b("mega328P");
         b.clock_bits(0x30, 8);
         b.clock_bits(0x00, 8);
         b.clock_bits(0x00, 8);
         b.clock_bits(0x00, faulty ? 7 : 8);
         return b.send(0x30, 0x00, 0x01, 0x00) == 0x95 && b.echo_ok;
     }},
    {"power switched off before the last page write ended",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(0, page_a);
         b.write_page(0);
         b.wait_ms(4.5f);
         b.load_page(128, page_b);
         b.write_page(128);
         b.wait_ms(faulty ? 1.0f : 4.5f);
         b.spi.chip().set_power(false);
         b.spi.chip().set_power(true);
         b.echo_ok = enter_programming(b.spi) == 0x53;
         return b.flash_holds(0, page_a) && b.flash_holds(128, page_b);
     }},
    {"MOSI changed after the rising SCK edge",
     [](bool faulty) { return Bench("mega328P").signature_by_bits(2, faulty, false) == 0x0F; }},
    {"MISO sampled after the falling SCK edge",
     [](bool faulty) { return Bench("mega328P").signature_by_bits(1, false, faulty) == 0x95; }},
    {"reading back while the page is still being written",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(0, page_a);
         b.write_page(0);
         if (!faulty) {
             b.wait_ms(4.5f);
         }
         return b.flash_holds(0, page_a);
     }},
    {"SCK phases too short for the chip's clock",
     [](bool faulty) {
         Bench b("mega328P", 8e6, faulty ? 0.25 : 0.27); // more than 2 periods of 0.125 us
         return b.send(0x30, 0x00, 0x02, 0x00) == 0x0F && b.echo_ok;
     }},
    {"flash written twice without an erase between",
     [](bool faulty) {
         Bench b("mega328P");
         b.load_page(0, {0x0F, 0x3C});
         b.write_page(0);
         b.wait_ms(4.5f);
         if (!faulty) {
             b.erase();
             b.wait_ms(20.0f);
         }
         b.load_page(0, {0xF0, 0xC3});
         b.write_page(0);
         b.wait_ms(4.5f);
         return b.flash_holds(0, {0xF0, 0xC3});
     }},
};

TEST(ChipFaultDetection, EachFaultShowsAndTheCarefulRunDoesNot) {
    for (const Scenario& scenario : scenarios) {
        EXPECT_TRUE(scenario.run(false)) << "careful run: " << scenario.fault;
        EXPECT_FALSE(scenario.run(true)) << "fault not revealed: " << scenario.fault;
    }
}

TEST(ChipFaultDetection, OldChipsTakeNothingAfterAnEraseUntilResetIsPulsed) {
    Bench b("90S2313", 4e6);
    b.erase();
    b.wait_ms(20.0f);
    b.write_eeprom(1, 0x33);
    EXPECT_FALSE(b.echo_ok);
    EXPECT_NE(isp(b.spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53); // not even a programming enable
    b.wait_ms(10.0f);
    EXPECT_EQ(b.spi.state().eeprom[1], 0xFF);

    b.spi.reset_pulse();
    EXPECT_EQ(isp(b.spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    b.echo_ok = true;
    b.write_eeprom(1, 0x33);
    b.wait_ms(10.0f);
    EXPECT_EQ(b.read_eeprom(1), 0x33);
    EXPECT_TRUE(b.echo_ok);
}

// What a read of the memory being written returns early and late in the write, by poll
// code, and what the RDY/BSY instruction says meanwhile.
struct PollRow {
    const char* device;
    bool eeprom;
    int code;
    std::uint8_t early, late; // at a tenth and at nine tenths of the busy time
    bool ready_busy;
};

const PollRow poll_rows[] = {
    {"mega103", false, POLL_NONE, 0xFF, 0xFF, false},
    {"90S4434", true, POLL_DATA_FF00, 0x00, 0xFF, false},
    {"90S2313", true, POLL_DATA_807F, 0x80, 0x7F, false},
    {"90S2313", false, POLL_DATA_7F, 0x7F, 0x7F, false},
    {"mega8", true, POLL_DATA_FF, 0xFF, 0xFF, false},
    {"mega8", false, POLL_DATA_FF, 0xFF, 0xFF, false},
    {"mega328P", true, POLL_RDY_BSY, 0xFF, 0xFF, true},
    {"mega328P", false, POLL_RDY_BSY, 0xFF, 0xFF, true},
};

TEST(ChipPolling, BusyValuesByPollCodeThenTheData) {
    for (const PollRow& row : poll_rows) {
        Bench b(row.device, 4e6);
        const DeviceInfo& info = b.spi.state().info();
        ASSERT_EQ(row.eeprom ? info.eeprom_poll : info.flash_poll, row.code) << row.device;
        const double write_ms =
            row.eeprom ? info.eeprom_write_ms * 0.72
                       : info.flash_write_ms * 0.75; // the chip's own time, inside the catalogue's
        const auto read = [&] { return row.eeprom ? b.read_eeprom(5) : b.read_flash(5); };
        const std::uint8_t value = 0x42;
        if (row.eeprom) {
            b.write_eeprom(5, value);
        } else if (info.flash_page == 0) {
            b.send(0x48, 0x00, 0x02, value);
        } else {
            b.load_page(5, {value});
            b.write_page(0);
        }
        b.wait_ms(float(write_ms * 0.1));
        EXPECT_EQ(read(), row.early) << row.device << (row.eeprom ? " EEPROM" : " flash");
        EXPECT_EQ(b.send(0xF0, 0x00, 0x00, 0x00), row.ready_busy ? 0x01 : 0x00) << row.device;
        b.wait_ms(float(write_ms * 0.8));
        EXPECT_EQ(read(), row.late) << row.device << (row.eeprom ? " EEPROM" : " flash");
        b.wait_ms(float(write_ms * 0.15));
        EXPECT_EQ(read(), value) << row.device << (row.eeprom ? " EEPROM" : " flash");
        if (row.ready_busy) {
            EXPECT_EQ(b.send(0xF0, 0x00, 0x00, 0x00), 0x00) << row.device;
        }
        EXPECT_TRUE(b.echo_ok) << row.device;
    }
}

} // namespace
