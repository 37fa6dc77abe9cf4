// Loaded before the C library (LD_PRELOAD): the spidev device and GPIO chip of the target file
// are served by the bench; every other file goes to the C library's own calls.
#include "sim/spidev/spidev_bench.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace avrsim {

namespace {

spidev_bench* the_bench = nullptr;
// While the bench loads or saves its target file, its own files go straight through.
bool bench_busy = false;

__attribute__((destructor)) void release_bench() {
    bench_busy = true;
    delete the_bench;
    the_bench = nullptr;
}

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using open_t = int (*)(const char*, int, ...);
using openat_t = int (*)(int, const char*, int, ...);
using ioctl_t = int (*)(int, unsigned long, ...);
using close_t = int (*)(int);

int real_open(const char* path, int flags, mode_t mode) {
    static const open_t call = next<open_t>("open");
    return call(path, flags, mode);
}

// A served path opens a real descriptor (of /dev/null) that the bench answers for.
int serve_open(const char* path, int flags, mode_t mode,
               int (*fallback)(const char*, int, mode_t)) {
    if (bench_busy || path == nullptr || path[0] != '/' ||
        std::getenv("AVRSIM_TARGET") == nullptr) {
        return fallback(path, flags, mode);
    }
    spidev_bench& b = spidev();
    const std::optional<served_kind> kind = b.serves(path);
    if (!kind) {
        return fallback(path, flags, mode);
    }
    if (const int error = b.open_error(*kind); error != 0) {
        errno = error;
        return -1;
    }
    const int fd = real_open("/dev/null", O_RDWR | (flags & O_CLOEXEC), 0);
    if (fd >= 0) {
        b.opened(fd, *kind);
    }
    return fd;
}

mode_t mode_argument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

} // namespace

spidev_bench& spidev() {
    if (the_bench == nullptr) {
        bench_busy = true;
        the_bench = new spidev_bench(std::getenv("AVRSIM_TARGET"));
        bench_busy = false;
    }
    return *the_bench;
}

int open_line_descriptor() {
    return real_open("/dev/null", O_RDWR | O_CLOEXEC, 0);
}

} // namespace avrsim

using namespace avrsim;

#define INTERPOSE extern "C" __attribute__((visibility("default")))

INTERPOSE int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return serve_open(path, flags, mode, real_open);
}

INTERPOSE int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return serve_open(path, flags, mode, [](const char* p, int f, mode_t m) {
        static const open_t call = next<open_t>("open64");
        return call(p, f, m);
    });
}

// glibc's fortified open calls, under their own names.
INTERPOSE int __open_2(const char* path, int flags) { // NOLINT(bugprone-reserved-identifier)
    return serve_open(path, flags, 0, real_open);
}

INTERPOSE int __open64_2(const char* path, int flags) { // NOLINT(bugprone-reserved-identifier)
    return serve_open(path, flags, 0, real_open);
}

INTERPOSE int openat(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    static const openat_t call = next<openat_t>("openat");
    if (path[0] == '/') {
        return serve_open(path, flags, mode, real_open);
    }
    return call(directory, path, flags, mode);
}

INTERPOSE int openat64(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    static const openat_t call = next<openat_t>("openat64");
    if (path[0] == '/') {
        return serve_open(path, flags, mode, real_open);
    }
    return call(directory, path, flags, mode);
}

INTERPOSE int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (the_bench != nullptr) {
        if (const std::optional<served_kind> kind = the_bench->kind_of(fd)) {
            return the_bench->ioctl(fd, *kind, request, argument);
        }
    }
    static const ioctl_t call = next<ioctl_t>("ioctl");
    return call(fd, request, argument);
}

INTERPOSE int close(int fd) {
    if (the_bench != nullptr && the_bench->kind_of(fd)) {
        the_bench->closed(fd);
    }
    static const close_t call = next<close_t>("close");
    return call(fd);
}
