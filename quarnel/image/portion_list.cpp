// List operations of the memory image.
#include "quarnel/image/portion_list.h"

namespace quarnel {

PortionList& PortionList::operator=(PortionList&& other) noexcept {
    if (this != &other) {
        clear();
        tail_ = other.tail_;
        other.tail_ = nullptr;
    }
    return *this;
}

CodePortion* PortionList::append(std::unique_ptr<CodePortion> portion) {
    CodePortion* element = portion.release();
    if (tail_ == nullptr) {
        element->link = element;
    } else {
        element->link = tail_->link;
        tail_->link = element;
    }
    tail_ = element;
    return element;
}

CodePortion* PortionList::insert_after(CodePortion* element, std::unique_ptr<CodePortion> portion) {
    CodePortion* added = portion.release();
    added->link = element->link;
    element->link = added;
    if (element == tail_) {
        tail_ = added;
    }
    return added;
}

CodePortion* PortionList::next(const CodePortion* element) const {
    if (element == nullptr || element == tail_) {
        return nullptr;
    }
    return as_portion(element->link);
}

CodePortion* PortionList::predecessor(const CodePortion* element) const {
    if (tail_ == nullptr || element == head()) {
        return nullptr;
    }
    for (CodePortion* candidate = head(); candidate != tail_; candidate = next(candidate)) {
        if (candidate->link == element) {
            return candidate;
        }
    }
    return nullptr;
}

std::unique_ptr<CodePortion> PortionList::remove(CodePortion* portion) {
    if (tail_ == nullptr || portion == nullptr) {
        return nullptr;
    }
    if (portion == head()) {
        if (portion == tail_) {
            tail_ = nullptr;
        } else {
            tail_->link = portion->link;
        }
    } else {
        CodePortion* before = predecessor(portion);
        if (before == nullptr) {
            return nullptr;
        }
        before->link = portion->link;
        if (portion == tail_) {
            tail_ = before;
        }
    }
    portion->link = nullptr;
    return std::unique_ptr<CodePortion>(portion);
}

bool PortionList::remove_and_destroy(CodePortion* portion) {
    return remove(portion) != nullptr;
}

void PortionList::clear() {
    while (tail_ != nullptr) {
        remove_and_destroy(head());
    }
}

std::size_t PortionList::count() const {
    std::size_t n = 0;
    for (const CodePortion* element = head(); element != nullptr; element = next(element)) {
        ++n;
    }
    return n;
}

long PortionList::byte_count() const {
    long bytes = 0;
    for (const CodePortion* element = head(); element != nullptr; element = next(element)) {
        bytes += element->length;
    }
    return bytes;
}

std::vector<std::unique_ptr<CodePortion>> PortionList::take_all() {
    std::vector<std::unique_ptr<CodePortion>> portions;
    for (CodePortion* element = head(); element != nullptr;) {
        CodePortion* following = next(element);
        element->link = nullptr;
        portions.emplace_back(element);
        element = following;
    }
    tail_ = nullptr;
    return portions;
}

} // namespace quarnel
