// The serial-number file: reserved by a write run, given back by a failed one, never left half
// written.
#include "quarnel/production/production_serial.h"

#include "tests/quarnel/production/production_fixture.h"

#include <cerrno>
#include <filesystem>

using namespace quarnel;

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
    EXPECT_EQ(read_file(path), "42\n"); // reserved before it went into the image
    output_of([&] { production.keep_used_serial(); });
    production.return_serial_number(); // nothing to give back after a successful run
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
    output_of([&] { production.keep_used_serial(); });
    EXPECT_EQ(read_file(path), "41\n");

    // A failed run never reaches the update: its number goes back.
    settings.write = true;
    ProductionData failed_run(settings, session, flash, eeprom);
    output_of([&] { failed_run.insert_production_data(); });
    EXPECT_EQ(output_of([&] { failed_run.return_serial_number(); }), "");
    EXPECT_EQ(read_file(path), "41\n");
}

TEST_F(SerialFileTest, AFailedRunGivesItsNumberBackOnlyWhenNoLaterRunTookOne) {
    struct Case {
        const char* file_at_failure; // what other runs left in the file
        const char* file_after;
        const char* printed;
    };
    const Case cases[] = {
        {"42\n", "41\n", ""},
        {"43\n", "43\n", "Serial number 41 not used, {} has gone on since\n"},
        {"41\n", "41\n", "Serial number 41 not used, {} has gone on since\n"},
    };
    settings.write = true;
    for (const Case& c : cases) {
        write_file(path, "41\n");
        ProductionData failed_run(settings, session, flash, eeprom);
        output_of([&] { failed_run.insert_production_data(); });
        write_file(path, c.file_at_failure);
        std::string expected = c.printed;
        if (const auto at = expected.find("{}"); at != std::string::npos) {
            expected.replace(at, 2, path);
        }
        EXPECT_EQ(output_of([&] { failed_run.return_serial_number(); }), expected);
        EXPECT_EQ(read_file(path), c.file_after) << c.file_at_failure;
    }
}

TEST_F(SerialFileTest, NoSerialRequestMeansNoFileWork) {
    settings.serno_insert = InsertSpec{};
    settings.write = true;
    EXPECT_EQ(output_of([&] { production.keep_used_serial(); }), "");
    EXPECT_EQ(read_file(path), "41\n");
}

TEST_F(SerialFileTest, ANumberThatCannotGoBackIsReportedUnused) {
    const std::string sub = dir.file("station");
    std::filesystem::create_directory(sub);
    const std::string moved = sub + "/serial.txt";
    std::filesystem::rename(path, moved);
    settings.serno_insert.serno_file = moved;
    settings.write = true;
    output_of([&] { production.insert_production_data(); });
    // The folder goes away while the run programs the chip, and the run fails.
    std::filesystem::rename(sub, dir.file("elsewhere"));
    errno = ENOSPC;
    EXPECT_EQ(output_of([&] { production.return_serial_number(); }),
              "Serial number 41 not used, can't open " + moved + "\n");
    EXPECT_EQ(errno, ENOSPC); // the run's failure keeps its reason
    EXPECT_EQ(read_file(dir.file("elsewhere/serial.txt")), "42\n");
}

TEST_F(SerialFileTest, TheLastNumberIsFollowedByOneNoRunAccepts) {
    write_file(path, "4294967295");
    settings.serno_insert.count = 4;
    settings.write = true;
    output_of([&] { production.insert_production_data(); });
    EXPECT_EQ(bytes_at(flash, 0, 4), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    output_of([&] { production.keep_used_serial(); });
    EXPECT_EQ(read_file(path), "4294967296\n");
    ProductionData next_run(settings, session, flash, eeprom);
    EXPECT_EQ(status_of([&] { next_run.insert_production_data(); }), EXIT_BAD_DATA);
}
