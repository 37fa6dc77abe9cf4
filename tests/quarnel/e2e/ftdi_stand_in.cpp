// quarnel runs through either stand-in FTDI library.
#include "tests/quarnel/e2e/ftdi_stand_in.h"

namespace {
std::vector<std::string> with_clock(std::vector<std::string> settings) {
    settings.insert(settings.begin(), "clock=16MHz");
    return settings;
}
} // namespace

Bytes firmware(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    unsigned value = seed;
    for (auto& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(value >> 16);
    }
    return bytes;
}

std::string stand_in_library_dir() {
    const std::string library = bin_path("libftdi1.so.2");
    return library.substr(0, library.rfind('/'));
}

FtdiBench::FtdiBench(const std::vector<std::string>& settings, const Backend& used)
    : bench("mega328P", with_clock(settings)), backend(used) {}

BenchRun FtdiBench::quarnel(const std::vector<std::string>& args) const {
    ProgramRun run;
    if (&backend == &d2xx) {
        run.env["FTD2XX_LIBRARY"] = bin_path("libavrsim_ftd2xx.so");
    } else {
        run.env["LD_LIBRARY_PATH"] = stand_in_library_dir();
        run.env["QUARNEL_FTDI"] = backend.name;
    }
    return bench.quarnel(args, run);
}
