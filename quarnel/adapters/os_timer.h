// High-resolution timer for every delay and measured time of a run.
#pragma once

#include <cstdint>

namespace quarnel {

class os_timer_t {
  public:
    os_timer_t();
    virtual ~os_timer_t() = default;

    void restart();
    void stop();
    long double elapsed_ms() const;
    // Sets the length of the next delay; the wait mode follows from it.
    void set_delay(float ms);
    bool expired() const;
    // Waits the length set by set_delay, counted from this call.
    void wait();

    // Wait modes chosen by set_delay.
    enum : std::uint8_t { WAIT_SPIN = 0, WAIT_YIELD = 1, WAIT_SLEEP = 2 };
    std::uint8_t wait_mode() const { return mode; }

  private:
    // Gives the processor up until shortly before the end of the delay, then spins to it.
    void sleep_to_end() const;

    bool running = false;
    std::int64_t accumulated = 0;
    std::int64_t start = 0;
    std::uint8_t mode = WAIT_SPIN;
    std::int32_t whole_ms = 0;
    std::int64_t delay_start = 0;
    std::int64_t delay_length = 0;
};

} // namespace quarnel
