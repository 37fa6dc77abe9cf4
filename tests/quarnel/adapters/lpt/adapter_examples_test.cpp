// The sample adapter files describe exactly the built-in adapters.
#include "quarnel/adapters/lpt/lpt_adapter_tables.h"
#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarnel;

namespace {

pinmap_t example(const char* file) {
    pinmap_t map;
    const std::string text = "m=" + source_path(std::string("examples/adapters/") + file);
    const Captured run = captured([&] { parse_pinmap(map, text.c_str(), lpt_pin_table); });
    EXPECT_EQ(run.status, 0) << file << "\n" << run.output;
    return map;
}

void expect_same(const pinmap_t& file, const pinmap_t& table) {
    EXPECT_STREQ(file.name, table.name);
    for (int s = 0; s < SIGNAL_COUNT; ++s) {
        EXPECT_EQ(file.signals[s].normal, table.signals[s].normal)
            << table.name << " " << signal_table[s].name;
        EXPECT_EQ(file.signals[s].inverted, table.signals[s].inverted)
            << table.name << " " << signal_table[s].name;
    }
}

} // namespace

TEST(AdapterExamples, EachFileMatchesItsBuiltInTable) {
    expect_same(example("kelma.cfg"), kelma_pinmap);
    expect_same(example("xilinx.cfg"), xilinx_pinmap);
    expect_same(example("byteblaster.cfg"), byteblaster_pinmap);
    expect_same(example("byteblaster2.cfg"), byteblaster2_pinmap);
    pinmap_t stk = stk_pinmap; // as set up for a target with its own clock
    stk[SIG_ENABLE].inverted |= LPT_D6;
    expect_same(example("stk200.cfg"), stk);
}
