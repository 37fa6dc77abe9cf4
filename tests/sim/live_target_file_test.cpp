// The target file as a killed program leaves it: every write of the chip is in it at once.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "sim/chip_instructions.h"
#include "sim/live_target_file.h"
#include "tests/support/run_program.h"

using namespace avrsim;

namespace {

using Instruction = std::array<std::uint8_t, 4>;
constexpr Instruction power_lost = {0, 0, 0, 0}; // the supply goes while the last write runs

void expect_same_chip(const ChipState& file, const ChipState& chip, const std::string& where) {
    EXPECT_EQ(file.flash, chip.flash) << where;
    EXPECT_EQ(file.eeprom, chip.eeprom) << where;
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(file.fuses[index], chip.fuses[index]) << where << ", fuse byte " << index;
    }
}

TEST(LiveTargetFile, EachWriteIsInTheFileTheMomentTheChipMakesIt) {
    struct Case {
        const char* name;
        std::vector<Instruction> instructions;
    };
    const Case cases[] = {
        {"two flash pages",
         {{0x40, 0, 1, 0x12},
          {0x48, 0, 1, 0x34},
          {0x4C, 0, 0, 0},
          {0x40, 0, 0x3F, 0x56},
          {0x4C, 0, 0x20, 0}}},
        {"EEPROM bytes", {{0xC0, 0, 5, 0x5A}, {0xC0, 1, 0xFF, 0x00}}},
        {"erase after writes", {{0xC0, 0, 5, 0x5A}, {0xAC, 0xE0, 0, 0xFC}, {0xAC, 0x80, 0, 0}}},
        {"fuses and lock", {{0xAC, 0xA0, 0, 0xE4}, {0xAC, 0xA8, 0, 0xD1}, {0xAC, 0xE0, 0, 0xFC}}},
        {"a write lost with the supply", {{0xC0, 0, 7, 0x11}, {0xC0, 0, 7, 0x22}, power_lost}},
    };
    for (const Case& c : cases) {
        const TempDir dir;
        const std::string path = dir.file("chip.avr");
        Target target = new_target("mega8");
        target.chip.flash[0x1000] = 0x99; // what the file held before the run
        save_target(target, path);
        LiveTargetFile file(target, path);
        InstructionUnit unit(target.chip, target.settings);
        unit.keep_writes_in(&file);
        const std::uint8_t enable[4] = {0xAC, 0x53, 0, 0};
        unit.next_reply(2, enable, 0);
        double now_us = 0;
        for (const Instruction& instruction : c.instructions) {
            if (instruction == power_lost) {
                unit.power_lost(now_us + 1);
            } else {
                now_us += 100000; // past every busy time
                unit.execute(instruction.data(), now_us);
            }
            // Nothing saved: the file as the program would leave it if it died now.
            expect_same_chip(load_target(path).chip, target.chip, c.name);
        }
        file.save();
        EXPECT_EQ(read_file(path), target_text(target)) << c.name << ": back in the usual form";
    }
}

} // namespace
