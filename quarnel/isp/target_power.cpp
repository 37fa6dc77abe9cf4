// Start and end of the target's active time: power, buffer enable, reset release.
#include "quarnel/isp/target_power.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/adapters/spi.h"
#include "quarnel/common/console.h"
#include "quarnel/isp/session.h"

namespace quarnel {

namespace {

// Target supplies need this long to settle after switching.
void wait_power_settle() {
    os_timer_t timer;
    timer.set_delay(300.0f);
    timer.wait();
}

} // namespace

void power_up_target(IspSession& session) {
    spi_t& spi = session.spi();
    if (spi.has_power()) {
        spi.power_on();
        wait_power_settle();
        console_log(2, "Power ON\n");
    }
    if (spi.has_enable()) {
        spi.enable();
        console_log(2, "Adapter enabled\n");
    }
    spi.set_led_error(false);
    spi.set_led_ok(false);
    session.target_active = true;
}

void release_target(IspSession& session) {
    if (!session.target_active || session.adapter == nullptr) {
        return;
    }
    spi_t& spi = session.spi();
    session.target_active = false;
    spi.set_reset(false);
    console_log(2, "Reset pin released\n");
    if (spi.has_enable()) {
        spi.disable();
        console_log(2, "Adapter disabled\n");
    }
    if (spi.has_power()) {
        spi.power_off();
        wait_power_settle();
        console_log(2, "Power OFF\n");
    }
}

} // namespace quarnel
