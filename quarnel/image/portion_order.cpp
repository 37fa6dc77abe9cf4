// Shell sort of the image by address, and the overlap check that follows it.
#include "quarnel/image/portion_order.h"

#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool ordered_before(const CodePortion& a, const CodePortion& b) {
    return a.start < b.start || (a.start == b.start && a.last() < b.last());
}

} // namespace

void sort_portions(PortionList& image) {
    const std::size_t count = image.count();
    if (count == 0) {
        return;
    }
    std::vector<std::unique_ptr<CodePortion>> portions(count);
    for (std::size_t slot = count; slot > 0; --slot) {
        portions[slot - 1] = image.remove(image.tail());
    }
    for (std::size_t gap = count / 2; gap > 0; gap /= 2) {
        for (std::size_t i = gap; i < count; ++i) {
            for (std::size_t j = i; j >= gap && ordered_before(*portions[j], *portions[j - gap]);
                 j -= gap) {
                std::swap(portions[j], portions[j - gap]);
            }
        }
    }
    for (auto& portion : portions) {
        image.append(std::move(portion));
    }
}

void check_overlaps(const PortionList& image) {
    for (const CodePortion* p = image.head(); p != nullptr; p = image.next(p)) {
        for (const CodePortion* q = image.next(p); q != nullptr && q->start <= p->last();
             q = image.next(q)) {
            const std::int32_t first = q->start;
            const std::int32_t last = std::min(q->last(), p->last());
            const bool equal = std::memcmp(q->bytes(), p->bytes() + (first - p->start),
                                           static_cast<std::size_t>(last - first + 1)) == 0;
            if (!equal) {
                console_log(
                    0, "HEX file records overlapped in addresses 0x%X-0x%X with NON-equal data\n",
                    static_cast<unsigned>(first), static_cast<unsigned>(last));
                throw app_error(EXIT_BAD_DATA);
            }
            console_log(
                1, "Warning: HEX file records overlapped in addresses 0x%X-0x%X with equal data\n",
                static_cast<unsigned>(first), static_cast<unsigned>(last));
        }
    }
}

void sort_and_check_overlaps(PortionList& image) {
    sort_portions(image);
    check_overlaps(image);
}
