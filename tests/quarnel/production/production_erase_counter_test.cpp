// The erase counter: reading, settling the next value, writing it after an erase.
#include "quarnel/isp/chip_commands.h"
#include "tests/quarnel/production/production_fixture.h"

using namespace quarnel;

namespace {

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

class EraseCounterTest : public ProductionTest {
  protected:
    void SetUp() override {
        connect("mega8");
        session.settings.erase_counter = true;
        settings.erase = true;
    }

    void store_counter(std::uint16_t value) {
        auto& memory = chip->state().flash;
        memory[memory.size() - 2] = static_cast<std::uint8_t>(value);
        memory[memory.size() - 1] = static_cast<std::uint8_t>(value >> 8);
    }

    std::uint16_t stored_counter() {
        const auto& memory = chip->state().flash;
        return static_cast<std::uint16_t>(memory[memory.size() - 2] | memory[memory.size() - 1]
                                                                          << 8);
    }

    // One run's counter work: read and settle, erase, write.
    std::string erase_run() {
        return output_of([&] {
            production.prepare_erase_counter();
            erase_device(session);
            production.write_erase_counter();
        });
    }
};

TEST_F(EraseCounterTest, AFreshChipCountsFromOne) {
    const std::string first = erase_run();
    EXPECT_TRUE(starts_with(first, "Number of erases not initialized\n")) << first;
    EXPECT_NE(first.find("Writing erase counter = 1\n"), std::string::npos) << first;
    EXPECT_EQ(stored_counter(), 1);

    settings.forced_erase_count.reset(); // a new run
    const std::string second = erase_run();
    EXPECT_TRUE(starts_with(second, "Read number of erases 1\n")) << second;
    EXPECT_NE(second.find("Writing erase counter = 2\n"), std::string::npos) << second;
    EXPECT_EQ(stored_counter(), 2);
}

TEST_F(EraseCounterTest, AfterTheLastValueNothingIsWrittenAndCountingRestarts) {
    store_counter(65533);
    output_of([&] { production.prepare_erase_counter(); });
    EXPECT_EQ(production.settled_erase_count(), 65534);

    settings.forced_erase_count.reset();
    store_counter(65534);
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }),
              "Read number of erases 65534\n");
    EXPECT_EQ(production.settled_erase_count(), std::nullopt);
    erase_device(session);
    EXPECT_EQ(output_of([&] { production.write_erase_counter(); }), "");
    EXPECT_EQ(stored_counter(), 0xFFFF);
}

TEST_F(EraseCounterTest, AGivenValueIsReportedAsForced) {
    store_counter(41);
    settings.forced_erase_count = 5;
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }),
              "Read number of erases 41\nNumber of erases forced to 5\n");
    settings.erase = false;
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }), "Read number of erases 41\n");
    EXPECT_EQ(production.settled_erase_count(), 5);
}

TEST_F(EraseCounterTest, WithoutTheSwitchNothingHappens) {
    session.settings.erase_counter = false;
    store_counter(41);
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }), "");
    EXPECT_EQ(production.settled_erase_count(), std::nullopt);
}

TEST_F(EraseCounterTest, AnUnknownChipIsNotRead) {
    session.device.detected_index = -1;
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }),
              "Can't read number of erases from unknown or locked chip\n"
              "Number of erases forced to 1\n");
    EXPECT_EQ(production.settled_erase_count(), 1);
    std::string printed;
    EXPECT_EQ(status_of([&] { production.write_erase_counter(); }, &printed), EXIT_WRONG_CHIP);
    EXPECT_EQ(printed, "Can't write number of erases to unknown chip\n");

    // Forced, the requested row is read.
    settings.force = true;
    settings.forced_erase_count.reset();
    store_counter(9);
    EXPECT_EQ(output_of([&] { production.prepare_erase_counter(); }), "Read number of erases 9\n");
    EXPECT_EQ(production.settled_erase_count(), 10);
}

TEST_F(EraseCounterTest, ACounterUnderTheProgramIsOnlyReported) {
    add(flash, 0x1F00, std::vector<std::uint8_t>(0xFF, 0x00)); // ends at 0x1FFE
    output_of([&] { production.prepare_erase_counter(); });
    erase_device(session);
    EXPECT_EQ(output_of([&] { production.write_erase_counter(); }),
              "Can't write number of erases, locations used for code\n");
    EXPECT_FALSE(session.settings.erase_counter);
    EXPECT_EQ(stored_counter(), 0xFFFF);
}

TEST_F(EraseCounterTest, AProgramBelowTheCounterLeavesRoomForIt) {
    add(flash, 0x0000, std::vector<std::uint8_t>(0x1FFE, 0x00)); // ends at 0x1FFD
    settings.verify = true;
    const std::string printed = erase_run();
    EXPECT_NE(printed.find("Writing erase counter = 1\n"), std::string::npos) << printed;
    EXPECT_TRUE(session.settings.erase_counter);
    EXPECT_EQ(stored_counter(), 1);
}

TEST_F(EraseCounterTest, AFailedCounterWriteEndsTheRunWhenVerified) {
    output_of([&] { production.prepare_erase_counter(); });
    // Without an erase the counter cells keep their programmed bits.
    store_counter(0x0000);
    settings.verify = true;
    std::string printed;
    EXPECT_EQ(status_of([&] { production.write_erase_counter(); }, &printed), EXIT_CHIP_FAILED);
    EXPECT_NE(printed.find("Can't write number of erases\n"), std::string::npos) << printed;
}

TEST(EraseCounterLargeFlash, TheCounterIsReadAboveTheFirst128K) {
    class Large : public ProductionTest {
      public:
        void TestBody() override {}
        using ProductionTest::chip;
        using ProductionTest::connect;
        using ProductionTest::output_of;
        using ProductionTest::production;
        using ProductionTest::session;
    } run;
    run.connect("mega2560");
    auto& memory = run.chip->state().flash;
    memory[0x1FFFE] = 0x11; // where the counter would be read without the extended address
    memory[0x1FFFF] = 0x11;
    memory[0x3FFFE] = 0x34;
    memory[0x3FFFF] = 0x12;
    run.session.settings.erase_counter = true;
    EXPECT_EQ(run.output_of([&] { run.production.prepare_erase_counter(); }),
              "Read number of erases 4660\n");
    EXPECT_EQ(run.production.settled_erase_count(), 4661);
}
