// Placing production bytes into the images: the destination check and the byte insertion.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/production/insert_request.h"

#include <cstddef>
#include <cstdint>

namespace quarnel {

// Ends the run (70) with "<keyword> destination address too large" when
// `length` value bytes from `address` do not fit the target memory: the EEPROM
// for INSERT_DATA, else the usable flash, where an LDI value takes two bytes;
// sizes of the row in force of `session`.
struct IspSession;
void check_destination(const IspSession& session, const char* keyword, insert_mode mode,
                       long address, long length);

// Writes `length` bytes from `address` into the image `mode` names (`eeprom`
// for INSERT_DATA, else `flash`): INSERT_LDI puts each value into the constant
// of the LDI instruction word at the address, the other modes store it. Only
// bytes the image already holds change; an empty image (70) or an address no
// portion holds (50) ends the run.
void insert_bytes(PortionList& flash, PortionList& eeprom, const char* keyword, insert_mode mode,
                  long address, const std::uint8_t* bytes, std::size_t length);

} // namespace quarnel
