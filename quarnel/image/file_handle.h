// Owning handle of an open C stream, closed when the handle goes.
#pragma once

#include <cstdio>
#include <memory>

namespace quarnel {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using file_handle = std::unique_ptr<std::FILE, file_closer>;

} // namespace quarnel
