// Fuse descriptions: one entry per fuse, its fields in each fuse byte, the byte names.
#pragma once

#include <cstdint>

namespace quarnel {

// Fuse byte indexes; the lock byte's boot lock fields count as fuses.
enum fuse_byte : int { FUSE_LOCK = 0, FUSE_LOW = 1, FUSE_HIGH = 2, FUSE_EXT = 3 };
inline constexpr int fuse_byte_count = 4;

// One fuse, shared by every layout that has it.
struct FuseInfo {
    const char* name;
    const char* description;
    const char* alias; // second name accepted by -f, or nullptr
};

// One field of a fuse byte: bits shift .. shift + width - 1. A list of fields
// ends with an entry whose fuse is nullptr.
struct FuseField {
    const FuseInfo* fuse;
    std::uint8_t width; // 1 to 4
    std::uint8_t shift; // number of the lowest bit

    constexpr std::uint8_t max_value() const { return std::uint8_t((1u << width) - 1); }
    constexpr std::uint8_t mask() const { return std::uint8_t(max_value() << shift); }
};

// The fields of a device's fuse bytes, by fuse byte index, in descending bit
// order; nullptr where the device has no such byte or none of its bits is a fuse.
struct FuseLayout {
    const FuseField* bytes[fuse_byte_count];
};

// "_LOCK", "_LOW", "_HIGH", "_EXT"; "???" for any other index.
const char* byte_name(int index);

// Union of the masks of a field list; 0 for an absent list.
std::uint8_t defined_mask(const FuseField* fields);

// The layouts of the catalogue; several devices share one.
namespace fuse_layouts {
extern const FuseLayout L1, L2, L3, L4, L5, L6, L7, L8, L9, L10, L11, L12, L13, L14, L15, L16, L17,
    L18, L19, L20, L21, L22, L23, L24, L25, L26, L27, L28, L29, L30, L31, L32, L33;
} // namespace fuse_layouts

} // namespace quarnel
