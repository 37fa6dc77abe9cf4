// Test program: sets up the parallel-port adapter from quarnel switches, then
// enters programming mode and reads the signature, printing both answers.
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/run_steps.h"

#include <cstdint>
#include <cstdio>

using namespace quarnel;

namespace {

std::uint8_t exchange(spi_t& spi, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                      int answer) {
    const std::uint8_t out[4] = {a, b, c, d};
    std::uint8_t in[4] = {};
    spi.transfer_buffer(out, in, 4);
    return in[answer];
}

int probe(spi_t& spi) {
    if (spi.has_power()) {
        spi.power_on();
        spi.delay_ms(20);
    }
    if (spi.has_enable()) {
        spi.enable();
    }
    spi.set_reset(true);
    spi.delay_ms(20);
    std::uint8_t echo = exchange(spi, 0xAC, 0x53, 0x00, 0x00, 2);
    for (int attempt = 0; attempt < 3 && echo != 0x53; ++attempt) {
        spi.reset_pulse();
        spi.delay_ms(20);
        echo = exchange(spi, 0xAC, 0x53, 0x00, 0x00, 2);
    }
    std::printf("echo %02X\n", echo);
    if (echo != 0x53) {
        return 1;
    }
    std::printf("signature %02X%02X%02X\n", exchange(spi, 0x30, 0x00, 0x00, 0x00, 3),
                exchange(spi, 0x30, 0x00, 0x01, 0x00, 3), exchange(spi, 0x30, 0x00, 0x02, 0x00, 3));
    spi.set_reset(false);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    console.verbosity = 2;
    try {
        RunOptions options;
        parse_command_line(argc, argv, options);
        const AdapterSettings settings =
            adapter_settings(options, DeviceSelection{options.requested_name, -1});
        auto spi = create_lpt_adapter(settings);
        return probe(*spi);
    } catch (const app_error& e) {
        std::printf("%s\nstatus %d\n", e.what(), e.code);
        return e.code;
    }
}
