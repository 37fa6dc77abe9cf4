// Sorting by address and the overlap check of HEX images.
#include "quarnel/image/portion_order.h"

#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"

#include <gtest/gtest.h>

using namespace quarnel;

using Layout = std::vector<std::pair<std::int32_t, std::int32_t>>;

namespace {

// Output of sort_and_check_overlaps, and the status it raised (0: none).
struct CheckResult {
    std::string output;
    int status = 0;
};

CheckResult sort_and_check(PortionList& image) {
    CheckResult result;
    testing::internal::CaptureStdout();
    try {
        sort_and_check_overlaps(image);
    } catch (const app_error& e) {
        result.status = e.code;
    }
    result.output = testing::internal::GetCapturedStdout();
    return result;
}

} // namespace

TEST(PortionOrder, OnePortionPassesSilently) {
    PortionList image;
    add_filled(image, 0x40, 16, 0);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PortionOrder, SortsByStartThenByEnd) {
    PortionList image;
    const std::vector<std::pair<std::int32_t, std::int32_t>> unordered = {
        {0x500, 4}, {0x100, 16}, {0x900, 1}, {0x100, 8}, {0x000, 2}, {0x300, 3}, {0x200, 5}};
    for (const auto& [start, length] : unordered) {
        add_filled(image, start, length, 0xAA);
    }
    sort_portions(image);
    EXPECT_EQ(
        layout(image),
        (Layout{
            {0x000, 2}, {0x100, 8}, {0x100, 16}, {0x200, 5}, {0x300, 3}, {0x500, 4}, {0x900, 1}}));
}

TEST(PortionOrder, SortingManyPortionsGivesAscendingStarts) {
    PortionList image;
    for (int i = 0; i < 257; ++i) {
        add_filled(image, ((i * 97) % 257) * 16, 16, 0);
    }
    sort_portions(image);
    ASSERT_EQ(image.count(), 257u);
    std::int32_t expected = 0;
    for (const CodePortion& p : image) {
        EXPECT_EQ(p.start, expected);
        expected += 16;
    }
}

TEST(PortionOrder, PartialOverlapWithEqualDataWarnsAndKeepsBoth) {
    PortionList image;
    add_filled(image, 0x0000, 16, 0x5A);
    add_filled(image, 0x0008, 16, 0x5A);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output,
              "Warning: HEX file records overlapped in addresses 0x8-0xF with equal data\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(layout(image), (Layout{{0x0, 16}, {0x8, 16}}));
}

TEST(PortionOrder, SameStartWithDifferentDataIsAnError) {
    PortionList image;
    add_filled(image, 0x0000, 16, 0x00);
    add_filled(image, 0x0000, 8, 0x01);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output, "HEX file records overlapped in addresses 0x0-0x7 with NON-equal data\n");
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
    EXPECT_EQ(layout(image), (Layout{{0x0, 8}, {0x0, 16}})); // left as sorted
}

TEST(PortionOrder, ADifferenceInTheLastSharedByteIsFound) {
    PortionList image;
    add_filled(image, 0x0000, 16, 0x00);
    CodePortion* inner = add_filled(image, 0x0004, 4, 0x00);
    inner->write(0x0007, 0x01);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output, "HEX file records overlapped in addresses 0x4-0x7 with NON-equal data\n");
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
}

TEST(PortionOrder, ContainedPortionWarnsOnceForItsOwnRange) {
    PortionList image;
    add_filled(image, 0x0100, 0x40, 0x33);
    add_filled(image, 0x0110, 0x10, 0x33);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output,
              "Warning: HEX file records overlapped in addresses 0x110-0x11F with equal data\n");
    EXPECT_EQ(r.status, 0);
}

TEST(PortionOrder, ThreePortionsWarnOnlyAgainstTheOneThatCoversThem) {
    PortionList image;
    add_filled(image, 0x10, 8, 0x77);
    add_filled(image, 0x00, 0x20, 0x77);
    add_filled(image, 0x08, 8, 0x77);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output,
              "Warning: HEX file records overlapped in addresses 0x8-0xF with equal data\n"
              "Warning: HEX file records overlapped in addresses 0x10-0x17 with equal data\n");
    EXPECT_EQ(r.status, 0);
}

TEST(PortionOrder, AdjacentPortionsDoNotOverlap) {
    PortionList image;
    add_filled(image, 0x10, 0x10, 0x00);
    add_filled(image, 0x00, 0x10, 0x01);
    const auto r = sort_and_check(image);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PortionOrder, ManyRepeatedRecordsAreCheckedInOnePass) {
    // 3000 copies of one record make 4.5 million overlapping pairs: past the
    // listing limit each copy is reported once, against all before it, and a
    // copy that differs is still found.
    for (const bool with_difference : {false, true}) {
        PortionList image;
        for (int i = 0; i < 3000; ++i) {
            add_filled(image, 0x40, 16, 0x5A);
        }
        add_filled(image, 0x48, 16, 0x5A);
        if (with_difference) {
            add_filled(image, 0x44, 4, 0x5A)->write(0x47, 0x00);
        }
        const auto r = sort_and_check(image);
        std::string expected;
        for (int i = 1; i < 3000; ++i) {
            expected += "Warning: HEX file records overlapped in addresses 0x40-0x4F with equal "
                        "data\n";
        }
        if (with_difference) {
            expected += "HEX file records overlapped in addresses 0x44-0x47 with NON-equal data\n";
        } else {
            expected += "Warning: HEX file records overlapped in addresses 0x48-0x4F with equal "
                        "data\n";
        }
        EXPECT_EQ(r.output, expected);
        EXPECT_EQ(r.status, with_difference ? EXIT_BAD_DATA : 0);
    }
}
