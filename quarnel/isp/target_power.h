// Start and end of the target's active time: power, buffer enable, reset release.
#pragma once

namespace quarnel {

struct IspSession;

// Switches power and the adapter buffer on where the adapter has them, lamps off.
void power_up_target(IspSession& session);
// Releases reset, disables the buffer, switches power off; only for an active target.
void release_target(IspSession& session);

} // namespace quarnel
