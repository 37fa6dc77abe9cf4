// Entering serial programming mode: reset, programming enable with resync, signature, identity.
#pragma once

#include <cstdint>

namespace quarnel {

struct IspSession;
struct DeviceSelection;

// Sends Programming Enable; returns the third reply byte (0x53 when in step).
std::uint8_t send_program_enable(const IspSession& session);

// Whether a chip is in the socket: reset, Programming Enable, and after one reset
// pulse a second try; true when the chip echoes in step. Prints nothing (traces at
// level 3) and leaves reset asserted.
bool chip_answers(IspSession& session);

// Reset, programming enable (resynchronising when needed), signature read and
// identification; sets the session's detected row and reports the chip found.
void enter_programming_mode(IspSession& session);

// Sets the detected row of `device` to the catalogue row of `signature` (see the
// .cpp) and returns it; -1 when none.
int identify_chip(DeviceSelection& device, std::uint32_t signature);

} // namespace quarnel
