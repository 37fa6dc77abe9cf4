// Self-check of the device catalogue and of the fuse layouts its rows point to.
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/devices/fuse_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

bool power_of_two(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

std::vector<std::string> split_names(const char* names) {
    std::vector<std::string> result;
    std::string name;
    for (const char* p = names;; ++p) {
        if (*p == '|' || *p == '\0') {
            result.push_back(name);
            name.clear();
            if (*p == '\0')
                return result;
        } else {
            name += *p;
        }
    }
}

const DeviceInfo& row(const char* name) {
    return device_table[find_device(name)];
}

} // namespace

TEST(DeviceTable, HasAllRowsEndedByTheNullRow) {
    for (int i = 0; i < device_count; ++i)
        ASSERT_NE(device_table[i].names, nullptr) << "row " << i;
    EXPECT_EQ(device_table[device_count].names, nullptr);
    EXPECT_STREQ(device_table[0].names, "86RF401");
    EXPECT_STREQ(device_table[14].names, "tiny13|tiny13A");
    EXPECT_STREQ(device_table[41].names, "mega8|mega8A");
    EXPECT_STREQ(device_table[111].names, "mega128RFA1");
    EXPECT_EQ(device_table[111].signature, 0x1EA701u);
}

TEST(DeviceTable, EveryNameLeadsBackToItsOwnRow) {
    for (int i = 0; i < device_count; ++i)
        for (const std::string& name : split_names(device_table[i].names)) {
            EXPECT_FALSE(name.empty()) << device_table[i].names;
            EXPECT_EQ(find_device(name.c_str()), i) << name;
        }
}

TEST(DeviceTable, SignaturesAreUniqueButForTiny22) {
    std::map<std::uint32_t, std::vector<int>> rows_by_signature;
    for (int i = 0; i < device_count; ++i) {
        EXPECT_EQ(device_table[i].signature >> 16, 0x1Eu) << device_table[i].names;
        rows_by_signature[device_table[i].signature].push_back(i);
    }
    for (const auto& [signature, rows] : rows_by_signature) {
        if (signature == 0x1E9106)
            EXPECT_EQ(rows, (std::vector<int>{12, 13}));
        else
            EXPECT_EQ(rows.size(), 1u) << std::hex << signature;
    }
    EXPECT_STREQ(device_table[12].names, "tiny22L");
    EXPECT_STREQ(device_table[13].names, "tiny22");
}

TEST(DeviceTable, SizesPagesAndCodesAreInRange) {
    constexpr std::uint32_t known_flags = 0x0001 | DEV_NO_ECHO | 0x0004 | DEV_SCK_2_5 |
                                          DEV_SCK_5_17 | DEV_LOCKED_WRITE_OK | DEV_ERASE_TWICE |
                                          DEV_NEW_LINE;
    for (int i = 0; i < device_count; ++i) {
        const DeviceInfo& d = device_table[i];
        SCOPED_TRACE(d.names);
        EXPECT_TRUE(power_of_two(d.flash_size));
        EXPECT_TRUE(d.flash_page == 0 || power_of_two(d.flash_page));
        EXPECT_EQ(d.flash_size % (d.flash_page ? d.flash_page : 1), 0);
        EXPECT_TRUE(power_of_two(d.eeprom_size));
        EXPECT_TRUE(d.eeprom_page == 0 || power_of_two(d.eeprom_page));
        EXPECT_GT(d.erase_ms, 0);
        EXPECT_GT(d.flash_write_ms, 0);
        EXPECT_GT(d.eeprom_write_ms, 0);
        EXPECT_GE(d.flash_poll, POLL_NONE);
        EXPECT_LE(d.flash_poll, POLL_RDY_BSY);
        EXPECT_GE(d.eeprom_poll, POLL_NONE);
        EXPECT_LE(d.eeprom_poll, POLL_RDY_BSY);
        EXPECT_GE(d.osccal_count, 0);
        EXPECT_LE(d.osccal_count, 4);
        EXPECT_EQ(d.flags & ~known_flags, 0u);
        EXPECT_EQ(d.flags & DEV_HIDDEN, 0u);
        EXPECT_LE(d.lock_format, 3);
        EXPECT_LE(d.fuse_format, 3);
        EXPECT_EQ(d.reserved[0] | d.reserved[1], 0);
    }
}

// The datasheets give these sizes; they must not fall back to larger values,
// which would let a run write past the end of the chip's EEPROM.
TEST(DeviceTable, EepromSizesMatchTheDatasheets) {
    EXPECT_EQ(row("mega328").eeprom_size, 1024);
    EXPECT_EQ(row("mega328P").eeprom_size, 1024);
    EXPECT_EQ(row("tiny48").eeprom_size, 64);
    EXPECT_EQ(row("tiny88").eeprom_size, 64);
}

TEST(DeviceTable, RowValuesLandInTheirFields) {
    const DeviceInfo& mega8 = row("mega8");
    EXPECT_EQ(mega8.signature, 0x1E9307u);
    EXPECT_EQ(mega8.erase_ms, 20);
    EXPECT_EQ(mega8.flash_size, 8192);
    EXPECT_EQ(mega8.flash_page, 64);
    EXPECT_EQ(mega8.flash_write_ms, 6);
    EXPECT_EQ(mega8.flash_poll, POLL_DATA_FF);
    EXPECT_EQ(mega8.eeprom_size, 512);
    EXPECT_EQ(mega8.eeprom_page, 4);
    EXPECT_EQ(mega8.eeprom_write_ms, 10);
    EXPECT_EQ(mega8.eeprom_poll, POLL_DATA_FF);
    EXPECT_EQ(mega8.osccal_count, 4);
    EXPECT_EQ(mega8.flags, DEV_NEW_LINE);
    EXPECT_EQ(mega8.lock_format, 3);
    EXPECT_EQ(mega8.fuse_format, 3);
    EXPECT_EQ(mega8.fuse_layout, &fuse_layouts::L18);

    const DeviceInfo& s1200 = row("90S1200");
    EXPECT_EQ(s1200.flags, DEV_NEW_LINE | DEV_SCK_2_5 | DEV_NO_ECHO);
    EXPECT_EQ(s1200.fuse_layout, nullptr);
    EXPECT_EQ(row("tiny12").flags, DEV_NEW_LINE | DEV_ERASE_TWICE | DEV_LOCKED_WRITE_OK | 0x0004);
    EXPECT_EQ(row("86RF401").flags, DEV_SCK_5_17);
    EXPECT_EQ(row("90S2333").erase_ms, 3);
    EXPECT_EQ(row("mega2561").flash_size, 262144);
}

TEST(DeviceTable, EveryFuseFormatHasAMatchingLayout) {
    std::set<const FuseLayout*> used;
    for (int i = 0; i < device_count; ++i) {
        const DeviceInfo& d = device_table[i];
        SCOPED_TRACE(d.names);
        EXPECT_EQ(d.fuse_format == 0, d.fuse_layout == nullptr);
        if (!d.fuse_layout)
            continue;
        used.insert(d.fuse_layout);
        const FuseLayout& layout = *d.fuse_layout;
        EXPECT_NE(layout.bytes[FUSE_LOW], nullptr);
        if (d.fuse_format != 3) { // one fuse byte only
            EXPECT_TRUE(!layout.bytes[FUSE_LOCK] && !layout.bytes[FUSE_HIGH] &&
                        !layout.bytes[FUSE_EXT]);
        }
        if (layout.bytes[FUSE_LOCK]) {
            EXPECT_EQ(d.lock_format, 3);
        }
    }
    const FuseLayout* all[] = {
        &fuse_layouts::L1,  &fuse_layouts::L2,  &fuse_layouts::L3,  &fuse_layouts::L4,
        &fuse_layouts::L5,  &fuse_layouts::L6,  &fuse_layouts::L7,  &fuse_layouts::L8,
        &fuse_layouts::L9,  &fuse_layouts::L10, &fuse_layouts::L11, &fuse_layouts::L12,
        &fuse_layouts::L13, &fuse_layouts::L14, &fuse_layouts::L15, &fuse_layouts::L16,
        &fuse_layouts::L17, &fuse_layouts::L18, &fuse_layouts::L19, &fuse_layouts::L20,
        &fuse_layouts::L21, &fuse_layouts::L22, &fuse_layouts::L23, &fuse_layouts::L24,
        &fuse_layouts::L25, &fuse_layouts::L26, &fuse_layouts::L27, &fuse_layouts::L28,
        &fuse_layouts::L29, &fuse_layouts::L30, &fuse_layouts::L31, &fuse_layouts::L32,
        &fuse_layouts::L33};
    EXPECT_EQ(used, std::set<const FuseLayout*>(std::begin(all), std::end(all)));
}

// Every field of every layout must be reachable by name and writable without
// touching its neighbours.
TEST(FuseLayouts, FieldsAreOrderedDisjointAndNamedOnce) {
    for (int i = 0; i < device_count; ++i) {
        const DeviceInfo& d = device_table[i];
        if (!d.fuse_layout)
            continue;
        SCOPED_TRACE(d.names);
        std::set<std::string> names;
        for (int byte = 0; byte < fuse_byte_count; ++byte) {
            const FuseField* fields = d.fuse_layout->bytes[byte];
            if (!fields)
                continue;
            SCOPED_TRACE(byte_name(byte));
            EXPECT_NE(fields->fuse, nullptr) << "empty list";
            int next_free_bit = 8;
            std::uint8_t mask = 0;
            for (const FuseField* f = fields; f->fuse; ++f) {
                ASSERT_NE(f->fuse->name, nullptr);
                ASSERT_NE(f->fuse->description, nullptr);
                EXPECT_GE(f->width, 1);
                EXPECT_LE(f->width, 4);
                EXPECT_LE(f->shift + f->width, next_free_bit) << f->fuse->name;
                next_free_bit = f->shift;
                mask |= f->mask();
                EXPECT_TRUE(names.insert(f->fuse->name).second) << f->fuse->name;
                if (f->fuse->alias) {
                    EXPECT_TRUE(names.insert(f->fuse->alias).second) << f->fuse->alias;
                }
            }
            EXPECT_EQ(defined_mask(fields), mask);
            if (byte == FUSE_LOCK) {
                EXPECT_EQ(mask & 0x03, 0) << "lock bits are no fuses";
            }
        }
        for (int byte = 0; byte < fuse_byte_count; ++byte)
            EXPECT_EQ(names.count(byte_name(byte)), 0u);
    }
}

TEST(FuseLayouts, ByteNamesAndMasks) {
    EXPECT_STREQ(byte_name(FUSE_LOCK), "_LOCK");
    EXPECT_STREQ(byte_name(FUSE_LOW), "_LOW");
    EXPECT_STREQ(byte_name(FUSE_HIGH), "_HIGH");
    EXPECT_STREQ(byte_name(FUSE_EXT), "_EXT");
    EXPECT_STREQ(byte_name(4), "???");
    EXPECT_STREQ(byte_name(-1), "???");

    const FuseLayout& mega8 = fuse_layouts::L18;
    EXPECT_EQ(defined_mask(mega8.bytes[FUSE_LOCK]), 0x3C);
    EXPECT_EQ(defined_mask(mega8.bytes[FUSE_LOW]), 0xFF);
    EXPECT_EQ(defined_mask(mega8.bytes[FUSE_HIGH]), 0xDF);
    EXPECT_EQ(defined_mask(mega8.bytes[FUSE_EXT]), 0x00);
    const FuseField& cksel = mega8.bytes[FUSE_LOW][3];
    EXPECT_STREQ(cksel.fuse->name, "CKSEL");
    EXPECT_EQ(cksel.max_value(), 0x0F);
    EXPECT_EQ(cksel.mask(), 0x0F);
    const FuseField& sut = mega8.bytes[FUSE_LOW][2];
    EXPECT_EQ(sut.mask(), 0x30);
}
