// A virtual mega328P on an FTDI chip of the stand-in libraries, and quarnel runs against it
// through D2XX or libftdi.
#pragma once

#include "tests/quarnel/e2e/run_bench.h"

#include <string>
#include <vector>

// How quarnel reaches the stand-in, and the library's reasons as quarnel prints them.
struct Backend {
    std::string name; // QUARNEL_FTDI
    std::string not_found;
    std::string in_use;
    std::string write_failed;
};

inline const Backend d2xx{"d2xx", "FT_DEVICE_NOT_FOUND", "FT_DEVICE_NOT_OPENED", "FT_IO_ERROR"};
inline const Backend libftdi{
    "libftdi", "device not found",
    "unable to claim usb device. Make sure the default FTDI driver is not in use",
    "usb bulk write failed"};
inline const Backend* const backends[] = {&d2xx, &libftdi};

// The folder of the stand-in libftdi libraries: they carry libftdi's sonames, so with it in
// LD_LIBRARY_PATH a program finds them before the host's.
std::string stand_in_library_dir();

// `size` pseudo-random bytes, the same for the same seed.
Bytes firmware(std::size_t size, unsigned seed = 0x2F);

// A virtual mega328P at 16 MHz wired to an FTDI chip of a stand-in library.
class FtdiBench {
  public:
    explicit FtdiBench(const std::vector<std::string>& settings = {}, const Backend& used = d2xx);

    BenchRun quarnel(const std::vector<std::string>& args) const;

    Bench bench;
    const Backend& backend;
};
