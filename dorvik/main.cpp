// Entry point of dorvik.
#include "dorvik/run.h"

#include "platform/console.h"

// DORVIK_CONFIG_DIR, given by the build, is the folder of the installed dorvik.ini.
int main(int argc, char** argv) {
    platform::make_stdout_unbuffered();
    return dorvik::run(dorvik::Args(argv, argv + argc), DORVIK_CONFIG_DIR);
}
