// Fixture of the production-data tests: a virtual chip in programming mode, the run's
// images and options, and output capture.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/production/production.h"
#include "tests/quarnel/isp/isp_fixture.h"
#include "tests/support/chip_spi.h"
#include "tests/support/run_program.h"

#include <memory>
#include <string>
#include <vector>

using namespace quarnel;

// The ISP engine's fixture (fresh options and run state, output capture) with
// a virtual chip in place of its recording adapter.
class ProductionTest : public IspTest {
  protected:
    // Puts a `device` chip in the socket, enters programming mode and identifies it.
    void connect(const char* device) {
        chip = std::make_unique<chip_spi_t>(device);
        chip->clock().follow_host(); // the engine times its polls on the host clock
        attach(*chip);
        session.device.requested_name = device;
        testing::internal::CaptureStdout();
        enter_programming_mode(session);
        testing::internal::GetCapturedStdout();
        ASSERT_GE(session.device.detected_index, 0);
        session.waits = write_waits(session.current_device(), 1.0f);
    }

    static void add(PortionList& image, std::int32_t start,
                    const std::vector<std::uint8_t>& bytes) {
        image.append(std::make_unique<CodePortion>(start, static_cast<std::int32_t>(bytes.size()),
                                                   bytes.data()));
    }

    static std::vector<std::uint8_t> bytes_at(const PortionList& image, std::int32_t address,
                                              std::int32_t count) {
        std::vector<std::uint8_t> result;
        for (std::int32_t a = address; a < address + count; ++a) {
            const CodePortion* p = image.find_first(contains_address(a));
            result.push_back(p ? p->read(a) : 0);
        }
        return result;
    }

    std::unique_ptr<chip_spi_t> chip;
    PortionList flash;
    PortionList eeprom;
    ProductionSettings settings;
    ProductionData production{settings, session, flash, eeprom};
    TempDir dir;
};
