// quarnel's ELF and S-record readers: any file is read or refused with a documented status.
#include "fuzz/fuzz_support.h"
#include "quarnel/common/errors.h"
#include "quarnel/image/elf_reader.h"
#include "quarnel/image/srec_reader.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    const char* path = scratch_file(data, size);
    PortionList flash;
    PortionList eeprom;
    FileConfig config;
    try {
        // The content picks the reader, as for a file without a prefix.
        if (has_elf_magic(data, size)) {
            read_elf_file(flash, eeprom, config, path);
        } else {
            read_srec_file(flash, path);
        }
    } catch (const app_error&) {
    }
    return 0;
}
