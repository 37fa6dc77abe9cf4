// Moving the part of an image that lies at or above a limit into another image.
#pragma once

#include "quarnel/image/portion_list.h"

#include <cstdint>

namespace quarnel {

// Every portion of `from` that ends at or above `limit` moves to `to` with its
// address reduced by `limit`; one that straddles the limit is cut in two, the
// lower part staying in `from`. Used to take the EEPROM part out of a single
// file whose data continues above the flash.
void move_portions_above(PortionList& from, PortionList& to, std::int32_t limit);

} // namespace quarnel
