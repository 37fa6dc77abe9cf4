// Serial numbers: where they are kept (a file, a database counter) and the rules of one run's
// number, the same for every store.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarnel {

// A place that hands out numbers under a name, one run at a time.
class SerialNumberStore {
  public:
    virtual ~SerialNumberStore() = default;
    // The number `name` holds, which must fit in `bytes` bytes. With `reserve` the store
    // holds the next number before this returns, so that no other run can take this one.
    // Failures print their message and end the run, the store unchanged.
    virtual std::uint32_t take(const std::string& name, bool reserve, unsigned bytes) = 0;
    // Puts `number`, reserved by take(), back when the store still holds the one after it
    // (no later run took a number); otherwise, or when the store cannot be reached, prints
    // the line that says it stays unused. Raises nothing.
    virtual void put_back(const std::string& name, std::uint32_t number) = 0;
};

// The number file: the name is its path.
std::unique_ptr<SerialNumberStore> serial_number_file();
// The counters of quarnel_counters in the database `target` (a libpq URI or keyword string).
std::unique_ptr<SerialNumberStore> serial_counter_database(const std::string& target);

// Whether `number` fits in `bytes` bytes; when not, prints why ("Serial number N of WHERE
// doesn't fit in B bytes").
bool serial_number_fits(std::uint64_t number, const std::string& where, unsigned bytes);

// One run's serial number.
class SerialNumber {
  public:
    explicit SerialNumber(std::unique_ptr<SerialNumberStore> number_store)
        : store(std::move(number_store)) {}

    // Takes the number of `name` from the store (see SerialNumberStore::take).
    void take(const std::string& name, bool reserve, unsigned bytes);
    std::uint32_t number() const { return value; }

    // The chip may hold the number from now on: it is never given back.
    void reaches_chip() { on_chip = reserved; }
    // The run has programmed its chip: a reserved number stays used.
    void keep() {
        kept = reserved;
        reserved = false;
    }
    // Whether the chip holds the number: kept by a passed run, or one that reached the chip
    // before the run failed.
    bool number_used() const { return kept || on_chip; }
    // The run failed: a reserved number the chip may hold stays used, and a line says so.
    // One that never reached the chip goes back to the store when the store still holds the
    // one after it (no later run took a number); otherwise it stays unused, and a line says
    // so. Raises nothing and keeps errno.
    void give_back();

  private:
    std::unique_ptr<SerialNumberStore> store;
    std::string name;
    std::uint32_t value = 0;
    bool reserved = false;
    bool on_chip = false;
    bool kept = false;
};

} // namespace quarnel
