// The devices dorvik knows, selected by name.
#pragma once

namespace dorvik {

// Sets the memory sizes, the page mask, the extended-fuse flag and the serial
// number defaults from state.device_name. 0, or -1 when no name matches.
int select_device();

} // namespace dorvik
