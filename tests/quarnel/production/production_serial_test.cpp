// The serial-number file: used up only by a successful write run, never left half written.
#include "quarnel/production/production_serial.h"

#include "tests/quarnel/production/production_fixture.h"

#include <filesystem>

class SerialFileTest : public ProductionTest {
  protected:
    void SetUp() override {
        connect("mega8");
        path = dir.file("serial.txt");
        write_file(path, "41\n");
        std::vector<std::uint8_t> erased(16, 0xFF);
        add(flash, 0, erased);
        settings.serno_insert.mode = INSERT_CODE;
        settings.serno_insert.count = 2;
        settings.serno_insert.address = 0;
        settings.serno_insert.serno_file = path;
    }

    std::string path;
};

TEST_F(SerialFileTest, AWriteRunUsesTheNumberUp) {
    settings.write = true;
    output_of([&] { production.insert_production_data(); });
    EXPECT_EQ(bytes_at(flash, 0, 2), (std::vector<std::uint8_t>{0x29, 0x00}));
    EXPECT_EQ(read_file(path), "41\n"); // unchanged until the run's last step
    output_of([&] { production.update_serial_file(); });
    EXPECT_EQ(read_file(path), "42\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u); // no temporary file left behind
}

TEST_F(SerialFileTest, AVerifyRunOrAFailedRunLeavesTheNumber) {
    settings.verify = true;
    output_of([&] { production.insert_production_data(); });
    output_of([&] { production.update_serial_file(); });
    EXPECT_EQ(read_file(path), "41\n");

    // A failed run never reaches the update: the object goes with the file untouched.
    {
        settings.write = true;
        ProductionData failed_run(settings, session, flash, eeprom);
        output_of([&] { failed_run.insert_production_data(); });
    }
    EXPECT_EQ(read_file(path), "41\n");
}

TEST_F(SerialFileTest, NoSerialRequestMeansNoFileWork) {
    settings.serno_insert = InsertSpec{};
    settings.write = true;
    EXPECT_EQ(output_of([&] { production.update_serial_file(); }), "");
    EXPECT_EQ(read_file(path), "41\n");
}

TEST_F(SerialFileTest, AFailedRewriteKeepsTheOldFileAndTellsTheNextNumber) {
    const std::string sub = dir.file("station");
    std::filesystem::create_directory(sub);
    const std::string moved = sub + "/serial.txt";
    std::filesystem::rename(path, moved);
    settings.serno_insert.serno_file = moved;
    settings.write = true;
    output_of([&] { production.insert_production_data(); });
    // The folder goes away while the run programs the chip: no new file can be made.
    std::filesystem::rename(sub, dir.file("elsewhere"));
    std::string printed;
    try {
        testing::internal::CaptureStdout();
        production.update_serial_file();
        printed = testing::internal::GetCapturedStdout();
        ADD_FAILURE() << "no error";
    } catch (const rtl_error& e) {
        printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(e.code, EXIT_BAD_DATA);
    }
    EXPECT_EQ(printed, "Can't write " + moved + "\nnext serial number is 42\n");
    EXPECT_EQ(read_file(dir.file("elsewhere/serial.txt")), "41\n");
}

TEST_F(SerialFileTest, TheLastNumberIsFollowedByOneNoRunAccepts) {
    write_file(path, "4294967295");
    settings.serno_insert.count = 4;
    settings.write = true;
    output_of([&] { production.insert_production_data(); });
    EXPECT_EQ(bytes_at(flash, 0, 4), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    output_of([&] { production.update_serial_file(); });
    EXPECT_EQ(read_file(path), "4294967296\n");
    ProductionData next_run(settings, session, flash, eeprom);
    EXPECT_EQ(status_of([&] { next_run.insert_production_data(); }), EXIT_BAD_DATA);
}
