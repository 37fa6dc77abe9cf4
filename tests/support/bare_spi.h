// A base for test adapters that have only the SPI lines: no power switch, buffer enable, LEDs or
// key.
#pragma once

#include "quarnel/adapters/spi.h"

using namespace quarnel;

class bare_spi_t : public spi_t {
  public:
    bool has_power() override { return false; }
    void power_on() override {}
    void power_off() override {}
    bool has_enable() override { return false; }
    void enable() override {}
    void disable() override {}
    void set_led_ok(bool) override {}
    void set_led_error(bool) override {}
    bool has_key() override { return false; }
    bool key_pressed() override { return false; }
};
