// A memory image: a circular singly linked list of portions held through its tail.
#pragma once

#include "quarnel/image/code_portion.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace quarnel {

class PortionList {
  public:
    PortionList() = default;
    PortionList(const PortionList&) = delete;
    PortionList& operator=(const PortionList&) = delete;
    PortionList(PortionList&& other) noexcept : tail_(other.tail_) { other.tail_ = nullptr; }
    PortionList& operator=(PortionList&& other) noexcept;
    ~PortionList() { clear(); }

    bool empty() const { return tail_ == nullptr; }
    CodePortion* head() const { return tail_ ? as_portion(tail_->link) : nullptr; }
    CodePortion* tail() const { return tail_; }

    // Links `portion` after the tail and makes it the tail; returns it.
    CodePortion* append(std::unique_ptr<CodePortion> portion);
    // Links `portion` directly after `element` (a member of this list); returns it.
    CodePortion* insert_after(CodePortion* element, std::unique_ptr<CodePortion> portion);
    // The element after `element`, or null when `element` is the tail.
    CodePortion* next(const CodePortion* element) const;
    // The element before `element`, or null when it is the head or not in the list.
    CodePortion* predecessor(const CodePortion* element) const;
    // Unlinks `portion` and hands it back with a null link; null when not in the list.
    std::unique_ptr<CodePortion> remove(CodePortion* portion);
    // Removes and deletes `portion`; false when it was not in the list.
    bool remove_and_destroy(CodePortion* portion);
    void clear();
    std::size_t count() const;
    // Bytes held by all portions together (overlaps counted in each portion).
    long byte_count() const;
    // Unlinks every portion and hands them back in list order; the list is left empty.
    std::vector<std::unique_ptr<CodePortion>> take_all();

    // Calls f(portion) for each portion, head first. The next element is taken
    // before the call, so f may remove and destroy the portion it was given.
    template <typename F> void for_each(F&& f) {
        CodePortion* element = head();
        while (element != nullptr) {
            CodePortion* following = next(element);
            f(element);
            element = following;
        }
    }

    // The first portion, head first, for which pred(portion) is true; or null.
    template <typename P> CodePortion* find_first(P&& pred) const {
        for (CodePortion* element = head(); element != nullptr; element = next(element)) {
            if (pred(*element)) {
                return element;
            }
        }
        return nullptr;
    }

    // Read-only traversal, head first.
    class const_iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CodePortion;
        using difference_type = std::ptrdiff_t;
        using pointer = const CodePortion*;
        using reference = const CodePortion&;

        const_iterator() = default;
        const_iterator(const PortionList* list, const CodePortion* element)
            : list_(list), element_(element) {}
        reference operator*() const { return *element_; }
        pointer operator->() const { return element_; }
        const_iterator& operator++() {
            element_ = list_->next(element_);
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return element_ == other.element_; }

      private:
        const PortionList* list_ = nullptr;
        const CodePortion* element_ = nullptr;
    };

    const_iterator begin() const { return {this, head()}; }
    const_iterator end() const { return {this, nullptr}; }

  private:
    static CodePortion* as_portion(Listable* element) { return static_cast<CodePortion*>(element); }

    CodePortion* tail_ = nullptr;
};

// Predicates for find_first.
// True when `address` lies in the portion (start <= address <= last).
inline auto contains_address(std::int64_t address) {
    return [address](const CodePortion& portion) { return portion.contains(address); };
}
// True when the portion's last byte lies at or above `address`.
inline auto ends_at_or_above(std::int64_t address) {
    return [address](const CodePortion& portion) { return portion.last() >= address; };
}

} // namespace quarnel
