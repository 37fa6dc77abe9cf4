// Start and end of the target's active time: power, buffer enable, reset release.
#include "quarnel/isp/target_power.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/isp/programmer.h"
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
    programmer_t& programmer = session.isp();
    if (programmer.has_power()) {
        programmer.power_on();
        wait_power_settle();
        console_log(2, "Power ON\n");
    }
    if (programmer.has_enable()) {
        programmer.enable();
        console_log(2, "Adapter enabled\n");
    }
    programmer.set_led_error(false);
    programmer.set_led_ok(false);
    session.target_active = true;
}

void release_target(IspSession& session) {
    if (!session.target_active || session.programmer == nullptr) {
        return;
    }
    programmer_t& programmer = session.isp();
    session.target_active = false;
    programmer.set_reset(false);
    console_log(2, "Reset pin released\n");
    if (programmer.has_enable()) {
        programmer.disable();
        console_log(2, "Adapter disabled\n");
    }
    if (programmer.has_power()) {
        programmer.power_off();
        wait_power_settle();
        console_log(2, "Power OFF\n");
    }
}

} // namespace quarnel
