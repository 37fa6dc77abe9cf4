// Reading pin maps from adapter switches and adapter configuration files.
#pragma once

#include "quarnel/adapters/pinmap.h"

namespace quarnel {

// Applies the PINMAP in `text`: after its first '=' a configuration file
// name, after its first ':' entries separated by ':'. Text without either
// leaves the map unchanged.
void parse_pinmap(pinmap_t& map, const char* text, pin_table_t table);

// Applies one "key=value" entry ("name=...", or a signal and its pins).
void parse_entry(pinmap_t& map, const char* entry, pin_table_t table);

} // namespace quarnel
