// Finding catalogue rows by name and naming them.
#pragma once

#include <cstdint>
#include <string_view>

namespace quarnel {

// True when both texts hold the same letters, ignoring case.
bool equals_ignoring_case(std::string_view a, std::string_view b);

// True when `text` equals one whole name of the bar-separated `names`, ignoring case.
bool names_match(const char* text, const char* names);

// Index of the first row carrying `text` as one of its names, or -1.
int find_device(const char* text);

// Index of the first row with `signature` (first byte highest), or -1.
int find_device_by_signature(std::uint32_t signature);

// The row's whole names string, bars included; "unknown" for a negative index.
const char* device_display_name(int index);

} // namespace quarnel
