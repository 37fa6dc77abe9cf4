// Finding catalogue rows by name.
#include "quarnel/devices/device_lookup.h"

#include "quarnel/devices/device_table.h"

#include <gtest/gtest.h>

using namespace quarnel;

TEST(DeviceLookup, FindsWholeNamesIgnoringCase) {
    EXPECT_EQ(find_device("MEGA8A"), 41);
    EXPECT_EQ(find_device("mega8"), 41);
    EXPECT_EQ(find_device("Mega8a"), 41);
    EXPECT_EQ(find_device("mega165PA"), 76); // third of three names
    EXPECT_EQ(find_device("mega169p"), 84);  // a middle name
    EXPECT_EQ(find_device("90usb1287"), 66);
    EXPECT_EQ(find_device("86rf401"), 0);
    EXPECT_EQ(find_device("mega128RFA1"), 111);
}

TEST(DeviceLookup, RejectsPartsAndJoinedNames) {
    EXPECT_EQ(find_device("mega"), -1);
    EXPECT_EQ(find_device("mega8|mega8A"), -1);
    EXPECT_EQ(find_device("mega8A "), -1);
    EXPECT_EQ(find_device("mega8AB"), -1);
    EXPECT_EQ(find_device(""), -1);
    EXPECT_EQ(find_device("|"), -1);
    EXPECT_EQ(find_device(nullptr), -1);
}

TEST(DeviceLookup, RowsSharingASignatureAreToldApart) {
    EXPECT_EQ(find_device("tiny22L"), 12);
    EXPECT_EQ(find_device("tiny22"), 13);
}

TEST(DeviceLookup, NamesMatchComparesEachNameOverItsLength) {
    EXPECT_TRUE(names_match("tiny13", "tiny13|tiny13A"));
    EXPECT_TRUE(names_match("TINY13a", "tiny13|tiny13A"));
    EXPECT_FALSE(names_match("tiny1", "tiny13|tiny13A"));
    EXPECT_FALSE(names_match("tiny13|", "tiny13|tiny13A"));
    EXPECT_FALSE(names_match("tiny13Ax", "tiny13|tiny13A"));
    EXPECT_FALSE(names_match("", "tiny13|tiny13A"));
    EXPECT_TRUE(names_match("90S1200", "90S1200"));
}

TEST(DeviceLookup, DisplayNameIsTheWholeString) {
    EXPECT_STREQ(device_display_name(-1), "unknown");
    EXPECT_STREQ(device_display_name(41), "mega8|mega8A");
    EXPECT_STREQ(device_display_name(0), "86RF401");
    EXPECT_STREQ(device_display_name(device_count), "unknown");
}
