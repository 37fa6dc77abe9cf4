// The virtual target's file loader: any file is loaded or refused with target_error.
#include "fuzz/fuzz_support.h"
#include "sim/target_file.h"

using namespace avrsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    try {
        const Target target = load_target(scratch_file(data, size));
        // What was loaded is saved as text that loads again.
        (void)target_text(target);
    } catch (const target_error&) {
    }
    return 0;
}
