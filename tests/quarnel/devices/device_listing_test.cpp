// The "Supported devices" help block and the per-device fuse listing.
#include "quarnel/devices/device_listing.h"

#include "quarnel/common/console.h"
#include "quarnel/devices/device_table.h"

#include "tests/support/golden_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string supported_devices() {
    testing::internal::CaptureStdout();
    list_supported_devices();
    return testing::internal::GetCapturedStdout();
}

std::string device_fuses(const char* name) {
    testing::internal::CaptureStdout();
    list_device_fuses(name);
    return testing::internal::GetCapturedStdout();
}

struct Placed {
    int row;
    int column;
};

} // namespace

TEST(SupportedDevices, FramesTheListWithHeadingAndAddress) {
    const std::string out = supported_devices();
    EXPECT_EQ(out.rfind("\nSupported devices\n 86RF401\n 90S1200    90S2313     90S4414", 0), 0u)
        << out.substr(0, 80);
    const std::string tail = "\n\nFor latest versions see\nhttps://quarnel.example.org/\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}

// Walks the printed lines, finds every name where it stands, and checks the
// column rules: one leading blank, later names on columns 12, 24, ..., at least
// two blanks between names, nothing past column 78, families on new lines and
// no line broken while the next name would still have fitted.
TEST(SupportedDevices, ObeysTheColumnRules) {
    const std::vector<std::string> lines = lines_of(supported_devices());
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "Supported devices");
    const auto list_end = std::find(lines.begin() + 2, lines.end(), "");
    ASSERT_NE(list_end, lines.end());

    std::vector<std::vector<Placed>> placed;
    int next_row = 0;
    for (auto line = lines.begin() + 2; line != list_end; ++line) {
        SCOPED_TRACE(*line);
        EXPECT_LE(line->size(), 78u);
        ASSERT_GE(line->size(), 2u);
        EXPECT_EQ((*line)[0], ' ');
        EXPECT_NE((*line)[1], ' ');
        placed.emplace_back();
        std::size_t pos = 0;
        while ((pos = line->find_first_not_of(' ', pos)) != std::string::npos) {
            ASSERT_LT(next_row, device_count);
            const char* names = device_table[next_row].names;
            ASSERT_EQ(line->compare(pos, std::strlen(names), names), 0) << names;
            const int column = int(pos);
            EXPECT_TRUE(column == 1 || column % 12 == 0) << names << " at " << column;
            if (!placed.back().empty()) {
                const int previous_end =
                    placed.back().back().column +
                    int(std::strlen(device_table[placed.back().back().row].names));
                EXPECT_GE(column - previous_end, 2) << names;
            }
            EXPECT_EQ(column == 1, placed.back().empty());
            placed.back().push_back({next_row, column});
            pos += std::strlen(names);
            ++next_row;
        }
    }
    EXPECT_EQ(next_row, device_count);

    for (std::size_t i = 0; i < placed.size(); ++i) {
        const Placed first = placed[i].front();
        for (const Placed& p : placed[i]) {
            if (p.row != first.row) {
                EXPECT_FALSE(device_table[p.row].flags & DEV_NEW_LINE)
                    << device_table[p.row].names << " must start its line";
            }
        }
        if (i == 0 || (device_table[first.row].flags & DEV_NEW_LINE))
            continue;
        // A break without a family start: the name would have ended past 78.
        const Placed last = placed[i - 1].back();
        const int end = last.column + int(std::strlen(device_table[last.row].names));
        int stop = (end + 11) / 12 * 12;
        if (stop <= end + 1)
            stop += 12;
        EXPECT_GT(stop + int(std::strlen(device_table[first.row].names)), 78)
            << device_table[first.row].names << " would have fitted";
    }
    EXPECT_EQ(placed.front().size(), 1u); // 86RF401 alone: 90S1200 opens a family
}

// GGGGGG fits at column 72 and ends on 78, NNNNNNN would end on 79 and moves
// on; after OOOOOOOOOOO (ending on 23) column 24 is too close, so PPP takes 36.
TEST(SupportedDevices, NamesEndAtColumn78AtTheLatest) {
    std::vector<DeviceInfo> rows;
    for (const char* names :
         {"AAAAAAAAA", "BBBBBBBBB", "CCCCCCCCC", "DDDDDDDDD", "EEEEEEEEE", "FFFFFFFFF", "GGGGGG",
          "HHHHHHHHH", "IIIIIIIII", "JJJJJJJJJ", "KKKKKKKKK", "LLLLLLLLL", "MMMMMMMMM", "NNNNNNN",
          "OOOOOOOOOOO", "PPP", "QQQ", "RRR"}) {
        DeviceInfo& row = rows.emplace_back(DeviceInfo{});
        row.names = names;
    }
    rows.emplace_back(DeviceInfo{});
    rows[16].flags = DEV_HIDDEN;
    rows[17].flags = DEV_NEW_LINE;
    testing::internal::CaptureStdout();
    list_supported_devices(rows.data());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nSupported devices\n"
              " AAAAAAAAA  BBBBBBBBB   CCCCCCCCC   DDDDDDDDD   EEEEEEEEE   FFFFFFFFF   GGGGGG\n"
              " HHHHHHHHH  IIIIIIIII   JJJJJJJJJ   KKKKKKKKK   LLLLLLLLL   MMMMMMMMM\n"
              " NNNNNNN    OOOOOOOOOOO             PPP\n"
              " RRR\n"
              "\nFor latest versions see\nhttps://quarnel.example.org/\n");
}

TEST(DeviceFuses, Mega8ListingIsExact) {
    EXPECT_EQ(device_fuses("mega8"), golden_text("quarnel/fuses-mega8.txt"));
}

TEST(DeviceFuses, DevicesWithoutFusesAndUnknownNames) {
    EXPECT_EQ(device_fuses("90s1200"), "\n90S1200 signature 1E9001\n  has no ISP-writable fuses\n");
    EXPECT_EQ(device_fuses("mega9"), "mega9 unsupported\n");
    const std::string tiny13 = device_fuses("tiny13a");
    EXPECT_EQ(tiny13.rfind("\ntiny13|tiny13A signature 1E9007\nFuse list\n", 0), 0u);
    EXPECT_NE(tiny13.find("\n_HIGH fuse byte:\n"), std::string::npos);
    EXPECT_EQ(tiny13.find("_LOCK"), std::string::npos);
    EXPECT_EQ(tiny13.find("_EXT"), std::string::npos);
}

TEST(DeviceFuses, QuietBelowTheNormalLevel) {
    console.verbosity = 1;
    EXPECT_EQ(device_fuses("mega8"), "");
    EXPECT_EQ(supported_devices(), "");
    console.verbosity = 2;
}
