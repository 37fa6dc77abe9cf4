// EEPROM kept across a chip erase, and its rescue file after a failed blank check.
#include "quarnel/image/hex_reader.h"
#include "quarnel/isp/chip_commands.h"
#include "tests/quarnel/production/production_fixture.h"

#include <filesystem>

using namespace quarnel;

class EepromKeepTest : public ProductionTest {
  protected:
    void SetUp() override {
        connect("mega8");
        settings.erase = true;
        session.settings.preserve_eeprom = true;
        auto& memory = chip->state().eeprom;
        for (std::size_t i = 0; i < memory.size(); ++i) {
            memory[i] = i % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(i);
        }
        original = memory;
    }

    std::vector<std::uint8_t> original;
};

TEST_F(EepromKeepTest, TheContentComesBackAfterTheErase) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string printed = output_of([&] {
        production.save_eeprom();
        erase_device(session);
        production.restore_eeprom();
    });
    std::filesystem::current_path(previous);
    EXPECT_FALSE(std::filesystem::exists(dir.file("(eeprom).sav"))) << "gone once restored";
    EXPECT_EQ(printed.rfind("Saving EEPROM\n", 0), 0u) << printed;
    EXPECT_NE(printed.find("Restoring EEPROM\n"), std::string::npos) << printed;
    EXPECT_EQ(chip->state().eeprom, original);
}

TEST_F(EepromKeepTest, TheCopyIsOnDiskBeforeTheEraseAndStaysAfterAFailedBlankCheck) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    output_of([&] { production.save_eeprom(); });
    const bool stored_before_erase = std::filesystem::exists("(eeprom).sav");
    erase_device(session);
    std::string printed;
    const int status = status_of([&] { production.save_eeprom_to_file(); }, &printed);
    std::filesystem::current_path(previous);
    EXPECT_TRUE(stored_before_erase);
    EXPECT_EQ(status, EXIT_CHIP_FAILED);
    EXPECT_EQ(printed, "EEPROM content saved to HEX-file \"(eeprom).sav\"");

    PortionList saved;
    read_hex_file(saved, dir.file("(eeprom).sav").c_str(), console_key_is_yes);
    std::vector<std::uint8_t> content(original.size(), 0xFF);
    for (const CodePortion& p : saved) {
        std::copy(p.bytes(), p.bytes() + p.length, content.begin() + p.start);
    }
    EXPECT_EQ(content, original);
}

TEST_F(EepromKeepTest, WithoutTheSwitchABlankCheckFailureOnlyEndsTheRun) {
    session.settings.preserve_eeprom = false;
    EXPECT_EQ(output_of([&] { production.save_eeprom(); }), "");
    std::string printed;
    EXPECT_EQ(status_of([&] { production.save_eeprom_to_file(); }, &printed), EXIT_CHIP_FAILED);
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(std::filesystem::exists("(eeprom).sav"));
}

TEST_F(EepromKeepTest, AnUnknownChipIsNotSaved) {
    session.device.detected_index = -1;
    std::string printed;
    EXPECT_EQ(status_of([&] { production.save_eeprom(); }, &printed), EXIT_WRONG_CHIP);
    EXPECT_EQ(printed, "Can't save EEPROM in unknown chip\n");
    settings.force = true;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(output_of([&] { production.save_eeprom(); }).rfind("Saving EEPROM\n", 0), 0u);
    std::filesystem::current_path(previous);
}
