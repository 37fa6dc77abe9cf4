// Entry point of dorvik.
#include "dorvik/ini_file.h"
#include "dorvik/run.h"

#include "platform/console.h"

// DORVIK_CONFIG_DIR, given by the build, is the folder of the installed dorvik.ini, which
// only the dorvik in DORVIK_INSTALL_BINDIR reads.
int main(int argc, char** argv) {
    platform::make_stdout_unbuffered();
    return dorvik::run(dorvik::Args(argv, argv + argc),
                       dorvik::installed_config_dir(DORVIK_INSTALL_BINDIR, DORVIK_CONFIG_DIR));
}
