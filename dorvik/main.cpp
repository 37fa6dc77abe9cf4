// Entry point of dorvik.
#include "dorvik/run.h"

#include "platform/console.h"

int main(int argc, char** argv) {
    platform::make_stdout_unbuffered();
    return dorvik::run(dorvik::Args(argv, argv + argc));
}
