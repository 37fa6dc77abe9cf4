// The tables of a line's database, as examples/production/quarnel.sql creates them too.
#pragma once

namespace quarnel {

constexpr const char* CREATE_COUNTERS =
    "CREATE TABLE IF NOT EXISTS quarnel_counters (name text PRIMARY KEY, next bigint NOT NULL)";

constexpr const char* CREATE_LOG =
    "CREATE TABLE IF NOT EXISTS quarnel_log (time timestamptz NOT NULL, station text, site text, "
    "adapter text, port text, device text, signature text, serial bigint, image_crc32 text, "
    "fuses text, result text NOT NULL, status integer NOT NULL, seconds numeric)";

} // namespace quarnel
