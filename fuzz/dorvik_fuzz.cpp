// dorvik's HEX reader and its switch values.
#include "dorvik/command_line.h"
#include "dorvik/hex_file.h"
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
    const char* switches[] = {"-lpt", "-sna", "-snl", "-wlb", "-wxf", "-whf", "-wlf",
                              "-rf",  "-re",  "-we",  "-wf",  "-asn", "-wts", "-ws"};
    for (const std::string& arg :
         split_lines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1))) {
        for (const char* name : switches) {
            if (!dorvik::has_switch(arg, name)) {
                continue;
            }
            std::optional<std::uint8_t> byte;
            std::optional<std::uint32_t> number;
            (void)dorvik::switch_value(arg);
            (void)dorvik::hex_byte_switch(arg, byte);
            (void)dorvik::decimal_switch(arg, number);
            if (const auto text = dorvik::value_text(arg)) {
                (void)dorvik::parse_hex(*text, 3);
            }
        }
    }
    return 0;
}
