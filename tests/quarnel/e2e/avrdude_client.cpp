// Running avrdude against the stand-ins.
#include "tests/quarnel/e2e/avrdude_client.h"

#include "tests/quarnel/e2e/ftdi_stand_in.h"

#include <filesystem>

namespace {
const std::string avrdude_program = "/usr/bin/avrdude";
} // namespace

bool avrdude_installed() {
    return std::filesystem::exists(avrdude_program);
}

ProgramResult run_avrdude(const Bench& bench, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& environment) {
    ProgramRun run;
    run.program = avrdude_program;
    run.args = args;
    const std::string target = bench.file("chip.avr");
    run.directory = target.substr(0, target.rfind('/'));
    run.env = environment;
    run.env["AVRSIM_TARGET"] = target;
    run.env.try_emplace("LD_LIBRARY_PATH", stand_in_library_dir());
    run.env["HOME"] = run.directory;
#ifdef QUARNEL_ASAN_RUNTIME
    // A sanitized stand-in in a program built without sanitizers: the runtime is loaded first,
    // and avrdude's own allocations at exit are not this bench's leaks.
    const std::string preload = run.env["LD_PRELOAD"];
    run.env["LD_PRELOAD"] =
        preload.empty() ? QUARNEL_ASAN_RUNTIME : std::string(QUARNEL_ASAN_RUNTIME) + ":" + preload;
    run.env["ASAN_OPTIONS"] = "detect_leaks=0";
#endif
    return run_program(run);
}
