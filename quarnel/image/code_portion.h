// List elements of a memory image: the link base class and a run of bytes at an address.
#pragma once

#include <cstdint>
#include <memory>

namespace quarnel {

// Base of the elements of a singly linked circular list: one link, nothing else.
class Listable {
  public:
    Listable() = default;
    Listable(const Listable&) = delete;
    Listable& operator=(const Listable&) = delete;
    virtual ~Listable() = default;

    Listable* link = nullptr;
};

// `length` consecutive bytes of one memory, the first at byte address `start`.
class CodePortion : public Listable {
  public:
    // Copies `length` bytes from `source`. Throws std::bad_alloc when memory runs out.
    CodePortion(std::int32_t start, std::int32_t length, const std::uint8_t* source);
    ~CodePortion() override = default;

    // The byte at absolute address `address`, which must lie inside the portion.
    std::uint8_t read(std::int64_t address) const { return data[index(address)]; }
    void write(std::int64_t address, std::uint8_t value) { data[index(address)] = value; }

    // Address of the last byte, in a wider type: a portion may end at the top of
    // the 32-bit range, and the address after it must not wrap below it.
    std::int64_t last() const { return std::int64_t{start} + length - 1; }
    bool contains(std::int64_t address) const { return address >= start && address <= last(); }

    std::uint8_t* bytes() { return data.get(); }
    const std::uint8_t* bytes() const { return data.get(); }

    const std::int32_t start;
    const std::int32_t length;

  private:
    std::size_t index(std::int64_t address) const {
        return static_cast<std::size_t>(address - start);
    }

    std::unique_ptr<std::uint8_t[]> data;
};

} // namespace quarnel
