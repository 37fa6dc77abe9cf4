// What an AVR executable carries beside flash and EEPROM: fuse and lock bytes and the
// signature of the chip it was built for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace quarnel {

// Fuse bytes as the file orders them: low, high, extended.
inline constexpr int file_fuse_count = 3;

struct FileConfig {
    std::array<std::optional<std::uint8_t>, file_fuse_count> fuses;
    std::optional<std::uint8_t> lock;
    std::optional<std::uint32_t> signature; // first signature byte highest

    bool has_fuses() const {
        for (const auto& fuse : fuses) {
            if (fuse) {
                return true;
            }
        }
        return false;
    }
};

} // namespace quarnel
