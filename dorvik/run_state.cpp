// The run state and the allocation of memory images.
#include "dorvik/run_state.h"

#include <cstdio>
#include <new>

namespace dorvik {

RunState state;

std::optional<Image> alloc_image(std::size_t size) {
    try {
        return Image(size, 0xFF);
    } catch (const std::bad_alloc&) {
        std::printf("  Error allocate memory.\n");
        return std::nullopt;
    }
}

} // namespace dorvik
