// Fixture of the production-data tests: a virtual chip in programming mode, the run's
// images and options, and output capture.
#pragma once

#include "quarnel/devices/current_device.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/isp/session.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/production.h"
#include "quarnel/run/run_options.h"
#include "tests/support/chip_spi.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class ProductionTest : public testing::Test {
  protected:
    ProductionTest() {
        options = RunOptions{};
        detected_index = -1;
        console.verbosity = 2;
    }
    ~ProductionTest() override {
        options = RunOptions{};
        detected_index = -1;
        console.verbosity = 2;
    }

    // Puts a `device` chip in the socket, enters programming mode and identifies it.
    void connect(const char* device) {
        chip = std::make_unique<chip_spi_t>(device);
        session.adapter = chip.get();
        options.requested_name = device;
        testing::internal::CaptureStdout();
        enter_programming_mode(session);
        testing::internal::GetCapturedStdout();
        ASSERT_GE(detected_index, 0);
        prepare_timing(session.prog, current_device(), 1.0f);
    }

    // What `f` printed; the test fails if `f` raises.
    template <typename F> static std::string output_of(F&& f) {
        testing::internal::CaptureStdout();
        try {
            f();
        } catch (...) {
            ADD_FAILURE() << "unexpected error; printed: "
                          << testing::internal::GetCapturedStdout();
            return {};
        }
        return testing::internal::GetCapturedStdout();
    }

    // The status `f` ended the run with (-1: none), and what it printed.
    template <typename F> static int status_of(F&& f, std::string* printed = nullptr) {
        testing::internal::CaptureStdout();
        int status = -1;
        try {
            f();
        } catch (const app_error& error) {
            status = error.code;
        }
        const std::string text = testing::internal::GetCapturedStdout();
        if (printed != nullptr) {
            *printed = text;
        }
        return status;
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
    IspSession session;
    PortionList flash;
    PortionList eeprom;
    ProductionData production{session, flash, eeprom};
    TempDir dir;
};
