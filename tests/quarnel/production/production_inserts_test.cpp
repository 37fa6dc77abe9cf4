// OSCCAL, SERNO and BYTES inserts: destinations, LDI constants, limits and messages.
#include "quarnel/production/production_inserts.h"

#include "quarnel/isp/fuse_operations.h"
#include "tests/quarnel/production/production_fixture.h"

using namespace quarnel;

using Bytes = std::vector<std::uint8_t>;

namespace {

InsertSpec insert(insert_mode mode, unsigned count, long address) {
    InsertSpec request;
    request.mode = mode;
    request.count = count;
    request.address = address;
    return request;
}

} // namespace

class InsertTest : public ProductionTest {
  protected:
    void SetUp() override {
        connect("mega328P");
        settings.write = true;
    }

    std::string serial_file(const std::string& content) {
        const std::string path = dir.file("serial.txt");
        write_file(path, content);
        return path;
    }
};

TEST_F(InsertTest, DestinationMustLeaveRoomForTheValue) {
    // 32 KB of flash, 1 KB of EEPROM.
    EXPECT_EQ(status_of([&] { check_destination(session, "SERNO", INSERT_CODE, 0x7FFC, 4); }), -1);
    std::string printed;
    EXPECT_EQ(
        status_of([&] { check_destination(session, "SERNO", INSERT_CODE, 0x7FFD, 4); }, &printed),
        EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "SERNO destination address too large\n");
    // An LDI value takes two flash bytes.
    EXPECT_EQ(status_of([&] { check_destination(session, "OSCCAL", INSERT_LDI, 0x7FFE, 1); }), -1);
    EXPECT_EQ(status_of([&] { check_destination(session, "OSCCAL", INSERT_LDI, 0x7FFC, 2); }), -1);
    EXPECT_EQ(status_of([&] { check_destination(session, "OSCCAL", INSERT_LDI, 0x7FFD, 2); }),
              EXIT_ENVIRONMENT);
    EXPECT_EQ(status_of([&] { check_destination(session, "SERNO", INSERT_DATA, 0x3FE, 2); }), -1);
    EXPECT_EQ(status_of([&] { check_destination(session, "SERNO", INSERT_DATA, 0x3FF, 2); }),
              EXIT_ENVIRONMENT);
    // The erase counter's two bytes are not usable flash.
    session.settings.erase_counter = true;
    EXPECT_EQ(status_of([&] { check_destination(session, "SERNO", INSERT_CODE, 0x7FFC, 2); }), -1);
    EXPECT_EQ(status_of([&] { check_destination(session, "SERNO", INSERT_CODE, 0x7FFD, 2); }),
              EXIT_ENVIRONMENT);
}

TEST_F(InsertTest, BytesGoOnlyWhereTheImageHasData) {
    add(flash, 0x10, Bytes(4, 0x00));
    add(eeprom, 0x00, Bytes(4, 0x00));
    const Bytes value = {0xA5, 0x5A};
    insert_bytes(flash, eeprom, "BYTES", INSERT_CODE, 0x12, value.data(), 2);
    insert_bytes(flash, eeprom, "BYTES", INSERT_DATA, 0x00, value.data(), 2);
    EXPECT_EQ(bytes_at(flash, 0x10, 4), (Bytes{0x00, 0x00, 0xA5, 0x5A}));
    EXPECT_EQ(bytes_at(eeprom, 0x00, 4), (Bytes{0xA5, 0x5A, 0x00, 0x00}));
    EXPECT_EQ(flash.count(), 1u);

    std::string printed;
    EXPECT_EQ(
        status_of([&] { insert_bytes(flash, eeprom, "BYTES", INSERT_CODE, 0x13, value.data(), 2); },
                  &printed),
        EXIT_BAD_DATA);
    EXPECT_EQ(printed, "HEX record for BYTES not found\n");
    EXPECT_EQ(status_of([&] {
                  insert_bytes(flash, eeprom, "BYTES", INSERT_CODE, 0x100000010L, value.data(), 1);
              }),
              EXIT_BAD_DATA);

    PortionList empty;
    EXPECT_EQ(
        status_of([&] { insert_bytes(empty, eeprom, "SERNO", INSERT_LDI, 0, value.data(), 1); },
                  &printed),
        EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "No hex records for FLASH, can't insert SERNO\n");
    EXPECT_EQ(
        status_of([&] { insert_bytes(flash, empty, "OSCCAL", INSERT_DATA, 0, value.data(), 1); },
                  &printed),
        EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "No hex records for EEPROM, can't insert OSCCAL\n");
}

TEST_F(InsertTest, LdiConstantsKeepTheInstructionBits) {
    add(flash, 0x100, {0xE0, 0xE0, 0xE0, 0xE0});
    const Bytes value = {0x9D, 0x3C};
    insert_bytes(flash, eeprom, "BYTES", INSERT_LDI, 0x100, value.data(), 2);
    EXPECT_EQ(bytes_at(flash, 0x100, 4), (Bytes{0xED, 0xE9, 0xEC, 0xE3}));
}

TEST_F(InsertTest, AnLdiWordSplitBetweenPortionsIsPatchedInBoth) {
    add(flash, 0x100, {0x00, 0xE0});
    add(flash, 0x102, {0xE0, 0x11});
    add(flash, 0x200, {0xF0});
    const Bytes value = {0x5A};
    insert_bytes(flash, eeprom, "BYTES", INSERT_LDI, 0x101, value.data(), 1);
    EXPECT_EQ(bytes_at(flash, 0x100, 4), (Bytes{0x00, 0xEA, 0xE5, 0x11}));

    // The second byte is covered by no portion: nothing beyond the portion is touched.
    std::string printed;
    EXPECT_EQ(
        status_of([&] { insert_bytes(flash, eeprom, "BYTES", INSERT_LDI, 0x200, value.data(), 1); },
                  &printed),
        EXIT_BAD_DATA);
    EXPECT_EQ(printed, "HEX record for BYTES not found\n");
    EXPECT_EQ(flash.tail()->length, 1);
}

TEST_F(InsertTest, OsccalIntoAnLdiInstruction) {
    chip->state().calibration[0] = 0x9A;
    read_osccal(session);
    add(flash, 0x100, {0xE0, 0xE0});
    settings.osccal_insert = insert(INSERT_LDI, 0, 0x100);
    settings.osccal_insert.osccal_correction = 3;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "OSCCAL0+3 inserted to CODE memory at 0x100 as part of LDI command\n");
    EXPECT_EQ(bytes_at(flash, 0x100, 2), (Bytes{0xED, 0xE9}));
}

TEST_F(InsertTest, OsccalValueIsLimitedToAByte) {
    session.calibration[0] = 0xF0;
    add(eeprom, 0x00, {0x12});
    settings.osccal_insert = insert(INSERT_DATA, 0, 0x00);
    settings.osccal_insert.osccal_correction = 20;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "Warning: corrected osccal value limited by 0xFF\n"
              "OSCCAL0+20 inserted to DATA memory at 0x0 \n");
    EXPECT_EQ(bytes_at(eeprom, 0, 1), Bytes{0xFF});

    settings.osccal_insert.osccal_correction = -300;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "Warning: corrected osccal value limited by 0x00\n"
              "OSCCAL0-300 inserted to DATA memory at 0x0 \n");
    EXPECT_EQ(bytes_at(eeprom, 0, 1), Bytes{0x00});

    settings.osccal_insert.osccal_correction = 0;
    add(flash, 0x40, {0x00});
    settings.osccal_insert.mode = INSERT_CODE;
    settings.osccal_insert.address = 0x40;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "OSCCAL0 inserted to CODE memory at 0x40 \n");
    EXPECT_EQ(bytes_at(flash, 0x40, 1), Bytes{0xF0});
}

TEST_F(InsertTest, OsccalIndexMustExistOnTheChip) {
    add(flash, 0, {0});
    settings.osccal_insert = insert(INSERT_CODE, 1, 0x00); // mega328P has one calibration byte
    std::string printed;
    EXPECT_EQ(status_of([&] { production.insert_production_data(); }, &printed), EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "OSCCAL1 not exist in selected chip\n");
}

TEST_F(InsertTest, SerialNumberLowBytesFirst) {
    add(flash, 0x20, Bytes(8, 0xFF));
    settings.serno_insert = insert(INSERT_CODE, 2, 0x22);
    settings.serno_insert.serno_file = serial_file("41\n");
    console.verbosity = 3;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "Chip serial number is 41\n inserted as 2-byte value to CODE memory at 0x22 \n");
    EXPECT_EQ(bytes_at(flash, 0x20, 6), (Bytes{0xFF, 0xFF, 0x29, 0x00, 0xFF, 0xFF}));
}

TEST_F(InsertTest, SerialNumberIntoLdiInstructions) {
    add(flash, 0x00, Bytes(8, 0xE0));
    settings.serno_insert = insert(INSERT_LDI, 3, 0x00);
    settings.serno_insert.serno_file = serial_file("  x12");
    EXPECT_EQ(status_of([&] { production.insert_production_data(); }), EXIT_BAD_DATA);
    settings.serno_insert.serno_file = serial_file("\n 1193046\n"); // 0x123456
    console.verbosity = 3;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "Chip serial number is 1193046\n inserted as 3-byte value to CODE memory at 0x0 "
              "as part of LDI command[s]\n");
    EXPECT_EQ(bytes_at(flash, 0, 8), (Bytes{0xE6, 0xE5, 0xE4, 0xE3, 0xE2, 0xE1, 0xE0, 0xE0}));
}

TEST_F(InsertTest, SerialNumberRequestsThatCannotApply) {
    add(flash, 0x00, Bytes(16, 0xFF));
    std::string printed;
    settings.serno_insert = insert(INSERT_CODE, 5, 0x00);
    settings.serno_insert.serno_file = serial_file("41\n");
    EXPECT_EQ(status_of([&] { production.insert_production_data(); }, &printed), EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "Invalid SERNO length\n");

    settings.serno_insert = insert(INSERT_CODE, 4, 0x7FFD);
    settings.serno_insert.serno_file = serial_file("41\n");
    EXPECT_EQ(status_of([&] { production.insert_production_data(); }, &printed), EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "SERNO destination address too large\n");

    settings.serno_insert = insert(INSERT_CODE, 2, 0x00);
    settings.serno_insert.serno_file = dir.file("missing.txt");
    EXPECT_EQ(status_of([&] { production.insert_production_data(); }, &printed), EXIT_ENVIRONMENT);
    EXPECT_EQ(printed, "Can't open file '" + dir.file("missing.txt") + "'\n");

    for (const char* text : {"", "abc\n", "-5\n", "4294967296\n"}) {
        settings.serno_insert.serno_file = serial_file(text);
        EXPECT_EQ(status_of([&] { production.insert_production_data(); }, &printed), EXIT_BAD_DATA)
            << text;
        EXPECT_EQ(printed, "Can't read " + dir.file("serial.txt") + "\n");
    }
}

TEST_F(InsertTest, AllThreeInsertsInOneRunAndNoneWithoutWriteOrVerify) {
    session.calibration[0] = 0x80;
    add(flash, 0x00, Bytes(8, 0xFF));
    settings.osccal_insert = insert(INSERT_CODE, 0, 0x00);
    settings.serno_insert = insert(INSERT_CODE, 1, 0x01);
    settings.serno_insert.serno_file = serial_file("7");
    settings.bytes_insert = insert(INSERT_CODE, 2, 0x02);
    settings.bytes_insert.bytes = {0xA5, 0x5A};
    settings.write = false;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }), "");
    EXPECT_EQ(bytes_at(flash, 0, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    settings.verify = true;
    EXPECT_EQ(output_of([&] { production.insert_production_data(); }),
              "OSCCAL0 inserted to CODE memory at 0x0 \nChip serial number is 7\n");
    EXPECT_EQ(bytes_at(flash, 0, 4), (Bytes{0x80, 0x07, 0xA5, 0x5A}));
}
