// List operations of the memory image and the split of a single file's image.
#include "quarnel/image/portion_list.h"

#include "quarnel/image/image_split.h"
#include "tests/quarnel/image/image_helpers.h"

#include <gtest/gtest.h>

using namespace quarnel;

using Layout = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(CodePortion, CopiesItsSourceAndAddressesBytesAbsolutely) {
    std::uint8_t source[3] = {1, 2, 3};
    CodePortion p(0x100, 3, source);
    source[0] = 9;
    EXPECT_EQ(p.read(0x100), 1);
    p.write(0x102, 0x55);
    EXPECT_EQ(p.read(0x102), 0x55);
    EXPECT_EQ(p.last(), 0x102);
    EXPECT_TRUE(p.contains(0x100));
    EXPECT_TRUE(p.contains(0x102));
    EXPECT_FALSE(p.contains(0xFF));
    EXPECT_FALSE(p.contains(0x103));
}

TEST(PortionList, AppendInsertRemoveKeepHeadAndTail) {
    PortionList list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.head(), nullptr);

    CodePortion* a = add_filled(list, 0, 1, 0);
    EXPECT_EQ(list.head(), a);
    EXPECT_EQ(list.tail(), a);
    EXPECT_EQ(a->link, a); // the only element links to itself
    EXPECT_EQ(list.next(a), nullptr);
    EXPECT_EQ(list.predecessor(a), nullptr);

    CodePortion* c = add_filled(list, 2, 1, 0);
    CodePortion* b = list.insert_after(a, std::make_unique<CodePortion>(1, 1, a->bytes()));
    CodePortion* d = list.insert_after(c, std::make_unique<CodePortion>(3, 1, a->bytes()));
    EXPECT_EQ(list.tail(), d);
    EXPECT_EQ(layout(list), (Layout{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(list.predecessor(c), b);
    EXPECT_EQ(list.next(c), d);
    EXPECT_EQ(list.next(d), nullptr);

    auto removed_tail = list.remove(d);
    ASSERT_EQ(removed_tail.get(), d);
    EXPECT_EQ(d->link, nullptr);
    EXPECT_EQ(list.tail(), c);
    EXPECT_EQ(list.predecessor(d), nullptr); // no longer in the list

    auto removed_head = list.remove(a);
    EXPECT_EQ(list.head(), b);
    EXPECT_TRUE(list.remove_and_destroy(b));
    EXPECT_TRUE(list.remove_and_destroy(c));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.tail(), nullptr);
}

TEST(PortionList, RemovingAStrangerReturnsNullAndChangesNothing) {
    PortionList list;
    add_filled(list, 0, 4, 0);
    add_filled(list, 4, 4, 0);
    CodePortion stranger(8, 1, list.head()->bytes());
    EXPECT_EQ(list.remove(&stranger), nullptr);
    EXPECT_FALSE(list.remove_and_destroy(&stranger));
    EXPECT_EQ(list.predecessor(&stranger), nullptr);
    EXPECT_EQ(layout(list), (Layout{{0, 4}, {4, 4}}));

    PortionList empty;
    EXPECT_EQ(empty.remove(&stranger), nullptr);
}

TEST(PortionList, ForEachMayDestroyTheVisitedPortion) {
    PortionList list;
    for (int i = 0; i < 5; ++i) {
        add_filled(list, i * 16, 16, 0);
    }
    std::vector<std::int32_t> visited;
    list.for_each([&](CodePortion* p) {
        visited.push_back(p->start);
        list.remove_and_destroy(p);
    });
    EXPECT_EQ(visited, (std::vector<std::int32_t>{0, 16, 32, 48, 64}));
    EXPECT_TRUE(list.empty());
}

TEST(PortionList, FindFirstWithTheAddressPredicates) {
    PortionList list;
    add_filled(list, 0x00, 0x10, 0);
    CodePortion* second = add_filled(list, 0x20, 0x10, 0);
    EXPECT_EQ(list.find_first(contains_address(0x0F)), list.head());
    EXPECT_EQ(list.find_first(contains_address(0x10)), nullptr);
    EXPECT_EQ(list.find_first(contains_address(0x2F)), second);
    EXPECT_EQ(list.find_first(ends_at_or_above(0x10)), second);
    EXPECT_EQ(list.find_first(ends_at_or_above(0x30)), nullptr);
}

TEST(PortionList, MoveKeepsContentAndLeavesTheSourceEmpty) {
    PortionList a;
    add_filled(a, 0, 8, 1);
    PortionList b(std::move(a));
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.count(), 1u);
    a = std::move(b);
    EXPECT_EQ(a.count(), 1u);
    EXPECT_TRUE(b.empty());
}

TEST(ImageSplit, PortionsAboveTheLimitMoveAndAStraddlingOneIsCut) {
    PortionList flash;
    PortionList eeprom;
    add_filled(flash, 0x0000, 0x100, 0x11);
    std::vector<std::uint8_t> straddle(0x20);
    for (std::size_t i = 0; i < straddle.size(); ++i) {
        straddle[i] = static_cast<std::uint8_t>(i);
    }
    add_portion(flash, 0x1FF0, straddle);
    add_filled(flash, 0x2040, 0x10, 0x22);

    move_portions_above(flash, eeprom, 0x2000);

    EXPECT_EQ(layout(flash), (Layout{{0x0000, 0x100}, {0x1FF0, 0x10}}));
    EXPECT_EQ(layout(eeprom), (Layout{{0x0000, 0x10}, {0x0040, 0x10}}));
    EXPECT_EQ(flash.tail()->read(0x1FFF), 0x0F);
    EXPECT_EQ(eeprom.head()->read(0x0000), 0x10);
    EXPECT_EQ(eeprom.tail()->read(0x0040), 0x22);
}

TEST(ImageSplit, AnImageBelowTheLimitStaysWhole) {
    PortionList flash;
    PortionList eeprom;
    add_filled(flash, 0, 0x2000, 0);
    move_portions_above(flash, eeprom, 0x2000);
    EXPECT_EQ(layout(flash), (Layout{{0, 0x2000}}));
    EXPECT_TRUE(eeprom.empty());
}
