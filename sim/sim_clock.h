// Time sources of the virtual chip: the host's monotonic clock, or a clock a test moves by hand.
#pragma once

#include <cstdint>

namespace avrsim {

class sim_clock {
  public:
    virtual ~sim_clock() = default;
    // Microseconds since an arbitrary start; never decreases.
    virtual double now_us() const = 0;
};

// Stands still until advanced; used by in-process tests.
class manual_clock : public sim_clock {
  public:
    double now_us() const override { return now_; }
    void advance_us(double us) { now_ += us; }

  private:
    double now_ = 0.0;
};

// Real monotonic time of the host.
class monotonic_clock : public sim_clock {
  public:
    monotonic_clock();
    double now_us() const override;

  private:
    std::int64_t start_;
    double us_per_count_;
};

// Spins (without sleeping) until `us` microseconds of `clock` have passed.
void busy_wait_us(const sim_clock& clock, double us);

} // namespace avrsim
