// A DLPortIO-compatible library with nothing on the port: it notes the first port address
// used in the file named by PORT_RECORDER_FILE and reads every register as 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool noted = false;

void note(std::uint32_t address) {
    if (noted) {
        return;
    }
    noted = true;
    if (const char* path = std::getenv("PORT_RECORDER_FILE")) {
        if (std::FILE* file = std::fopen(path, "w")) {
            std::fprintf(file, "%X\n", static_cast<unsigned>(address));
            std::fclose(file);
        }
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) std::uint8_t DlPortReadPortUchar(std::uint32_t address) {
    note(address);
    return 0x00;
}

__attribute__((visibility("default"))) void DlPortWritePortUchar(std::uint32_t address,
                                                                 std::uint8_t) {
    note(address);
}
}
