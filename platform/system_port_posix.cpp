// The port at a base address as route_port() finds it on POSIX hosts.
#include "platform/parallel_port.h"

namespace platform {

std::unique_ptr<parallel_port> open_system_port(std::uint32_t base) {
    const port_route route = route_port(std::nullopt, base);
    return route.how == port_route::kind::ppdev ? open_ppdev_port(route.name)
                                                : open_direct_port(base);
}

} // namespace platform
