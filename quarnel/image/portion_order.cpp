// Sorting of the image by address, and the overlap check that follows it.
#include "quarnel/image/portion_order.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace quarnel {

namespace {

bool ordered_before(const CodePortion& a, const CodePortion& b) {
    return a.start < b.start || (a.start == b.start && a.last() < b.last());
}

// Above this many overlapping pairs the pairs are no longer listed one by one:
// a file of a few megabytes that repeats one record would otherwise print
// billions of warnings and take hours.
constexpr std::size_t pair_listing_limit = 100000;

void report_overlap(std::int64_t first, std::int64_t last, bool equal) {
    if (!equal) {
        console_log(0, "HEX file records overlapped in addresses 0x%X-0x%X with NON-equal data\n",
                    static_cast<unsigned>(first), static_cast<unsigned>(last));
        throw app_error(EXIT_BAD_DATA);
    }
    console_log(1, "Warning: HEX file records overlapped in addresses 0x%X-0x%X with equal data\n",
                static_cast<unsigned>(first), static_cast<unsigned>(last));
}

bool same_bytes(const CodePortion& p, const CodePortion& q, std::int64_t first, std::int64_t last) {
    return std::memcmp(q.bytes() + (first - q.start), p.bytes() + (first - p.start),
                       static_cast<std::size_t>(last - first + 1)) == 0;
}

// Number of pairs (P, Q), Q after P, in which Q starts at or before P's last byte.
std::size_t overlapping_pairs(const std::vector<const CodePortion*>& sorted) {
    std::size_t pairs = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::int64_t last = sorted[i]->last();
        const auto end = std::upper_bound(
            sorted.begin() + static_cast<std::ptrdiff_t>(i) + 1, sorted.end(), last,
            [](std::int64_t address, const CodePortion* q) { return address < q->start; });
        pairs += static_cast<std::size_t>(end - sorted.begin()) - i - 1;
    }
    return pairs;
}

// Every pair, each overlap reported on its own.
void check_pairs(const std::vector<const CodePortion*>& sorted) {
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const CodePortion& p = *sorted[i];
        for (std::size_t j = i + 1; j < sorted.size() && sorted[j]->start <= p.last(); ++j) {
            const CodePortion& q = *sorted[j];
            const std::int64_t last = std::min(q.last(), p.last());
            report_overlap(q.start, last, same_bytes(p, q, q.start, last));
        }
    }
}

// One pass in address order: every address a portion shares with those before it
// is covered by the portion that reaches furthest, since all of them start no
// later. Each portion that overlaps what came before is reported once, with the
// range it shares with all of them.
void check_against_furthest(const std::vector<const CodePortion*>& sorted) {
    const CodePortion* furthest = nullptr;
    for (const CodePortion* q : sorted) {
        if (furthest != nullptr && q->start <= furthest->last()) {
            const std::int64_t last = std::min(q->last(), furthest->last());
            // The portions between hold the same bytes wherever they meet the
            // furthest one, or an earlier step would have stopped the run.
            report_overlap(q->start, last, same_bytes(*furthest, *q, q->start, last));
        }
        if (furthest == nullptr || q->last() > furthest->last()) {
            furthest = q;
        }
    }
}

} // namespace

void sort_portions(PortionList& image) {
    std::vector<std::unique_ptr<CodePortion>> portions = image.take_all();
    std::stable_sort(portions.begin(), portions.end(),
                     [](const auto& a, const auto& b) { return ordered_before(*a, *b); });
    for (auto& portion : portions) {
        image.append(std::move(portion));
    }
}

void check_overlaps(const PortionList& image) {
    std::vector<const CodePortion*> sorted;
    for (const CodePortion& portion : image) {
        sorted.push_back(&portion);
    }
    if (overlapping_pairs(sorted) <= pair_listing_limit) {
        check_pairs(sorted);
    } else {
        check_against_furthest(sorted);
    }
}

void sort_and_check_overlaps(PortionList& image) {
    sort_portions(image);
    check_overlaps(image);
}

} // namespace quarnel
