// Finding the ppdev device that serves a parallel-port base address, and the route to a port.
#include "platform/parallel_port.h"

#include <cstdio>

namespace platform {

namespace {
// The kernel numbers at most this many parallel ports.
constexpr unsigned max_ports = 16;
} // namespace

std::optional<std::string> ppdev_device_for_base(std::uint32_t base, const std::string& proc_dir) {
    for (unsigned n = 0; n < max_ports; ++n) {
        const std::string path = proc_dir + "/parport" + std::to_string(n) + "/base-addr";
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (f == nullptr) {
            continue;
        }
        unsigned long value = 0;
        const bool parsed = std::fscanf(f, "%lu", &value) == 1;
        std::fclose(f);
        if (parsed && value == base) {
            return ppdev_device_name(n);
        }
    }
    return std::nullopt;
}

port_route route_port(std::optional<unsigned> number, std::uint32_t base) {
    if (number) {
        return {port_route::kind::ppdev, ppdev_device_name(*number - 1)};
    }
    if (auto device = ppdev_device_for_base(base)) {
        return {port_route::kind::ppdev, *device};
    }
    return {port_route::kind::direct, {}};
}

} // namespace platform
