// Test fixture: a virtual chip in a target file, reached through the stand-in D2XX library.
#pragma once

#include "quarnel/common/console.h"
#include "quarnel/devices/current_device.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace quarnel;

class StandInBench : public testing::Test {
  protected:
    StandInBench() {
        console.verbosity = 2;
        ::setenv("FTD2XX_LIBRARY", bin_path("libavrsim_ftd2xx.so").c_str(), 1);
        ::setenv("AVRSIM_TARGET", target.c_str(), 1);
    }
    ~StandInBench() override {
        console.verbosity = 2;
        ::unsetenv("FTD2XX_LIBRARY");
        ::unsetenv("AVRSIM_TARGET");
    }

    // A fresh target file holding `chip` with the given avrsim settings.
    void make_target(const std::string& chip, const std::vector<std::string>& settings = {}) {
        std::vector<std::string> args{"new", target, chip};
        args.insert(args.end(), settings.begin(), settings.end());
        ProgramRun run;
        run.program = "avrsim";
        run.args = args;
        const ProgramResult made = run_program(run);
        ASSERT_EQ(made.status, 0) << made.output;
    }

    // "name value" lines of the stand-in's statistics file.
    long stat(const std::string& name) const {
        const std::string text = read_file(stats);
        const std::size_t at = text.find(name + " ");
        return at == std::string::npos ? -1 : std::stol(text.substr(at + name.size() + 1));
    }

    TempDir dir;
    const std::string target = dir.file("chip.target");
    const std::string stats = dir.file("usb.stats");
};
