// Construction of a memory portion from a copy of its bytes.
#include "quarnel/image/code_portion.h"

#include <algorithm>

namespace quarnel {

CodePortion::CodePortion(std::int32_t first, std::int32_t count, const std::uint8_t* source)
    : start(first), length(count),
      data(std::make_unique_for_overwrite<std::uint8_t[]>(
          static_cast<std::size_t>(std::max<std::int32_t>(count, 0)))) {
    if (length > 0) {
        std::copy_n(source, length, data.get());
    }
}

} // namespace quarnel
