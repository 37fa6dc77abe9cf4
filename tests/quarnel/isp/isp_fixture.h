// Test fixture for the ISP engine: a fresh run state, a recording adapter and output capture.
#pragma once

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/fuse_request.h"
#include "quarnel/isp/session.h"
#include "quarnel/isp/spi_programmer.h"
#include "recording_spi.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace quarnel;

class IspTest : public testing::Test {
  protected:
    IspTest() {
        console.verbosity = 2;
        attach(spi);
    }
    ~IspTest() override { console.verbosity = 2; }

    // Makes the engine talk to the chip through `adapter`.
    void attach(spi_t& adapter) {
        programmer = std::make_unique<spi_programmer_t>(adapter);
        session.programmer = programmer.get();
    }

    // Makes `name` the requested and detected row and prepares its waits.
    void use_device(const char* name, float factor = 1.0f) {
        session.device.requested_name = name;
        session.device.detected_index = find_device(name);
        ASSERT_GE(session.device.detected_index, 0) << name;
        session.waits = write_waits(session.current_device(), factor);
    }

    // Runs `f` and returns what it printed.
    template <typename F> static std::string output_of(F&& f) {
        testing::internal::CaptureStdout();
        try {
            f();
        } catch (...) {
            const std::string text = testing::internal::GetCapturedStdout();
            ADD_FAILURE() << "unexpected exception; printed: " << text;
            throw;
        }
        return testing::internal::GetCapturedStdout();
    }

    // Runs `f`, expecting it to end the run; returns the status and keeps the output.
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

    RecordingSpi spi;
    std::unique_ptr<spi_programmer_t> programmer;
    IspSession session;
};
