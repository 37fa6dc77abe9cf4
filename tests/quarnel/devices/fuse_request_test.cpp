// The -f list parser: accepted lists, the request they build, every refusal.
#include "quarnel/devices/fuse_request.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/current_device.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarnel;

namespace {

class FuseList : public ::testing::Test {
  protected:
    void SetUp() override {
        selection.requested_name = "mega8";
        console.verbosity = 2;
    }
    void TearDown() override { console.verbosity = 2; }

    void parse_fuse_list(const std::optional<std::string>& list) {
        ::parse_fuse_list(list, selection.current(), fuse_request);
    }

    DeviceSelection selection;
    FuseRequest fuse_request{};

    // Parses `list`, expects success and no output; returns the request.
    const FuseRequest& parse(const std::string& list) {
        testing::internal::CaptureStdout();
        parse_fuse_list(list);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << list;
        return fuse_request;
    }

    // Parses `list`, expects the run to end with status 70; returns the output.
    std::string refusal(const std::string& list) {
        testing::internal::CaptureStdout();
        int status = -1;
        try {
            parse_fuse_list(list);
        } catch (const app_error& e) {
            status = e.code;
        }
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, EXIT_ENVIRONMENT) << list;
        return out;
    }
};

struct Expect {
    int byte;
    std::uint8_t wanted;
    std::uint8_t mask;
};

void expect_request(const FuseRequest& request, std::initializer_list<Expect> bytes) {
    std::uint8_t wanted[fuse_byte_count] = {};
    std::uint8_t mask[fuse_byte_count] = {};
    for (const Expect& e : bytes) {
        wanted[e.byte] = e.wanted;
        mask[e.byte] = e.mask;
    }
    for (int byte = 0; byte < fuse_byte_count; ++byte) {
        EXPECT_EQ(request.bytes[byte].wanted, wanted[byte]) << byte_name(byte);
        EXPECT_EQ(request.bytes[byte].request_mask, mask[byte]) << byte_name(byte);
    }
}

} // namespace

TEST_F(FuseList, NamesAndByteNamesIgnoreCase) {
    expect_request(parse("cksel=f"), {{FUSE_LOW, 0x0F, 0x0F}});
    expect_request(parse("_hiGH=d9"), {{FUSE_HIGH, 0xD9, 0xFF}});
    expect_request(parse("Blev=1,eesv=0,bsiz=2"),
                   {{FUSE_LOW, 0x80, 0x80}, {FUSE_HIGH, 0x04, 0x0E}});
}

TEST_F(FuseList, DefinedMasksComeFromTheLayout) {
    const FuseRequest& r = parse("CKSEL=1");
    EXPECT_EQ(r.bytes[FUSE_LOCK].defined_mask, 0x3C);
    EXPECT_EQ(r.bytes[FUSE_LOW].defined_mask, 0xFF);
    EXPECT_EQ(r.bytes[FUSE_HIGH].defined_mask, 0xDF);
    EXPECT_EQ(r.bytes[FUSE_EXT].defined_mask, 0x00);
}

TEST_F(FuseList, NoListLeavesTheRequestAlone) {
    fuse_request.bytes[FUSE_LOW] = {0x12, 0x34, 0x56, 0x78};
    testing::internal::CaptureStdout();
    parse_fuse_list(std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(fuse_request.bytes[FUSE_LOW].request_mask, 0x34);
}

TEST_F(FuseList, ValuesAreHexWithOptionalPrefix) {
    expect_request(parse("CKSEL=0xA"), {{FUSE_LOW, 0x0A, 0x0F}});
    expect_request(parse("_LOW=0XE1"), {{FUSE_LOW, 0xE1, 0xFF}});
    expect_request(parse("SUT=03"), {{FUSE_LOW, 0x30, 0x30}});
    EXPECT_EQ(refusal("CKSEL=G"), "Invalid value 'G' for fuse 'CKSEL'\n");
    EXPECT_EQ(refusal("CKSEL=0x"), "Invalid value '0x' for fuse 'CKSEL'\n");
    EXPECT_EQ(refusal("nosuch=xyz"), "Invalid value 'xyz' for fuse 'nosuch'\n");
    EXPECT_EQ(refusal("CKSEL=10"), "Value 10 too large for fuse CKSEL\n");
    EXPECT_EQ(refusal("_HIGH=100"), "Value 100 too large for fuse byte _HIGH\n");
}

// A fuse value is written to the chip: a number with anything after it, or one
// that only fits after wrapping around, must not be taken in part.
TEST_F(FuseList, MangledNumbersAreRefusedWhole) {
    EXPECT_EQ(refusal("CKSEL=1O"), "Invalid value '1O' for fuse 'CKSEL'\n");
    EXPECT_EQ(refusal("_LOW=E1 "), "Invalid value 'E1 ' for fuse '_LOW'\n");
    EXPECT_EQ(refusal("_LOW=1000000000000000000E1"),
              "Value FFFFFFFF too large for fuse byte _LOW\n");
    EXPECT_EQ(refusal("BODEN=100000000"), "Value FFFFFFFF too large for fuse BODEN\n");
}

TEST_F(FuseList, OnAndOffMnemonics) {
    expect_request(parse("BLEV=ON"), {{FUSE_LOW, 0x00, 0x80}});
    expect_request(parse("boden=off,CKOPT=On"), {{FUSE_LOW, 0x40, 0x40}, {FUSE_HIGH, 0x00, 0x10}});
    EXPECT_EQ(refusal("SUT=ON"), "ON/OFF mnemonics can't be used with 2-bit fuse 'SUT'\n");
    EXPECT_EQ(refusal("_LOW=off"), "ON/OFF mnemonics can't be used for fuse byte name '_LOW'\n");
}

TEST_F(FuseList, DuplicatesInAnyOrder) {
    EXPECT_EQ(refusal("BODLEVEL=ON,BLEV=OFF"), "Duplicate fuse BLEV in command line\n");
    EXPECT_EQ(refusal("_LOW=E1,CKSEL=1"), "Duplicate fuse CKSEL in command line\n");
    EXPECT_EQ(refusal("CKSEL=1,_low=E1"), "Duplicate fuse _low in command line\n");
    EXPECT_EQ(refusal("_LOCK=C0,BLB0=3"), "Duplicate fuse BLB0 in command line\n");
    EXPECT_EQ(refusal("_HIGH=D9,_HIGH=D9"), "Duplicate fuse _HIGH in command line\n");
    // Different bytes never clash.
    expect_request(parse("_LOW=E1,_HIGH=D9,BLB1=0"),
                   {{FUSE_LOCK, 0x00, 0x30}, {FUSE_LOW, 0xE1, 0xFF}, {FUSE_HIGH, 0xD9, 0xFF}});
}

TEST_F(FuseList, ValueRequired) {
    EXPECT_EQ(refusal("_LOW"), "Value required for fuse _LOW\n");
    EXPECT_EQ(refusal("_LOW="), "Value required for fuse _LOW\n");
    EXPECT_EQ(refusal("CKSEL"), "Value required for fuse CKSEL\n");
    EXPECT_EQ(refusal("CKSEL="), "Value required for fuse CKSEL\n");
}

TEST_F(FuseList, ByteAndFieldNamesMustExistOnTheDevice) {
    EXPECT_EQ(refusal("_EXT=FF"), "Fuse byte '_EXT' not exist in mega8|mega8A\n");
    EXPECT_EQ(refusal("HWBE=0"), "Invalid fuse name HWBE\n");
    EXPECT_EQ(refusal("=1"), "Invalid fuse name \n");
    EXPECT_EQ(refusal("_LOCKX=1"), "Invalid fuse name _LOCKX\n");
    selection.requested_name = "90S1200";
    EXPECT_EQ(refusal("CKSEL=F"), "90S1200 has no ISP-writable fuses\n");
    EXPECT_EQ(refusal(""), "90S1200 has no ISP-writable fuses\n");
}

TEST_F(FuseList, LockByteLeavesTheLockBitsOut) {
    expect_request(parse("_LOCK=C0"), {{FUSE_LOCK, 0xC0, 0xFC}});
    expect_request(parse("BLB0=0"), {{FUSE_LOCK, 0x00, 0x0C}});
}

TEST_F(FuseList, EmptyItemsAreSkipped) {
    expect_request(parse("CKSEL=F,,BODEN=0,"), {{FUSE_LOW, 0x0F, 0x4F}});
    expect_request(parse(",,"), {});
}

TEST_F(FuseList, FieldSearchFollowsTheDeviceLayout) {
    selection.requested_name = "tiny13";
    expect_request(parse("BODLEVEL=3"), {{FUSE_HIGH, 0x06, 0x06}});
    selection.requested_name = "mega8";
    expect_request(parse("BODLEVEL=1"), {{FUSE_LOW, 0x80, 0x80}});
    // The detected row counts over the requested one.
    selection.detected_index = 14; // tiny13|tiny13A
    EXPECT_EQ(refusal("BODLEVEL=4"), "Value 4 too large for fuse BODLEVEL\n");
    EXPECT_EQ(refusal("_LOCK=FF"), "Fuse byte '_LOCK' not exist in tiny13|tiny13A\n");
    selection.detected_index = -1;
}

TEST_F(FuseList, ItemLengthLimit) {
    const std::string name64(62, 'A');
    EXPECT_EQ(refusal(name64 + "=1"), "Invalid fuse name " + name64 + "\n");
    EXPECT_EQ(refusal(name64 + "=10"), "Fuse command too long\n");
    EXPECT_EQ(refusal("CKSEL=1," + std::string(65, 'x')), "Fuse command too long\n");
}

TEST_F(FuseList, DebugTraceNamesEachAddition) {
    console.verbosity = 4;
    testing::internal::CaptureStdout();
    parse_fuse_list(std::string("cksel=f,_high=0D9"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\t% Fuse added: cksel=F\n\t% Fuse byte added: _high=D9\n");
}
