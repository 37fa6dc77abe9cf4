// dorvik's HEX reader and its switch values.
#include "dorvik/hex_file.h"
#include "dorvik/options.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the HEX reader (and its memory size) or the switches.
    if (data[0] & 1) {
        const std::uint32_t limit = 64u << (data[0] >> 1 & 0x0F);
        dorvik::Image image(limit, 0xFF);
        (void)dorvik::read_hex_file(scratch_file(data + 1, size - 1), image, limit);
        return 0;
    }
    const auto lines =
        split_lines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const dorvik::Options options = dorvik::parse_options(dorvik::Args(lines.begin(), lines.end()));
    std::optional<std::uint32_t> number;
    (void)dorvik::switch_number(options.command_arg, number);
    for (const dorvik::NamedSwitch& entry : options.switches) {
        (void)dorvik::switch_path(entry.arg);
        (void)dorvik::switch_number(entry.arg, number);
    }
    return 0;
}
