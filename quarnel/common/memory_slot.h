// The two memories of a chip, as the image, ISP and run layers name them.
#pragma once

namespace quarnel {

enum memory_slot : int { SLOT_CODE = 0, SLOT_DATA = 1 };

// Names of the two memories in messages, by slot.
inline constexpr const char* memory_names[2] = {"CODE memory", "DATA memory"};

} // namespace quarnel
