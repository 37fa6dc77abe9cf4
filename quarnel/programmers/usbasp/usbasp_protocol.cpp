// The USBasp's SCK settings.
#include "quarnel/programmers/usbasp/usbasp_protocol.h"

namespace quarnel::usbasp {

int sck_setting_for(std::uint32_t limit_hz) {
    int best = 0;
    for (int setting = 1; setting < sck_settings; ++setting) {
        if (sck_hz[setting] <= limit_hz && (best == 0 || sck_hz[setting] > sck_hz[best])) {
            best = setting;
        }
    }
    return best;
}

} // namespace quarnel::usbasp
