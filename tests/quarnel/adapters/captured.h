// Runs a piece of adapter code and captures what it prints and how it ends.
#pragma once

#include "quarnel/common/errors.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarnel;

struct Captured {
    int status = 0; // exit status of the app_error raised, 0 when none
    std::string output;
};

template <typename Code> Captured captured(Code&& code) {
    Captured result;
    testing::internal::CaptureStdout();
    try {
        code();
    } catch (const app_error& e) {
        result.status = e.code;
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    result.output = testing::internal::GetCapturedStdout();
    return result;
}
