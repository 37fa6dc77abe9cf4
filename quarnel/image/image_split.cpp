// Splitting an image at an address limit.
#include "quarnel/image/image_split.h"

namespace quarnel {

void move_portions_above(PortionList& from, PortionList& to, std::int32_t limit) {
    from.for_each([&](CodePortion* portion) {
        if (portion->last() < limit) {
            return;
        }
        if (portion->start >= limit) {
            to.append(std::make_unique<CodePortion>(portion->start - limit, portion->length,
                                                    portion->bytes()));
            from.remove_and_destroy(portion);
            return;
        }
        const std::int32_t lower = limit - portion->start;
        to.append(
            std::make_unique<CodePortion>(0, portion->length - lower, portion->bytes() + lower));
        from.insert_after(portion,
                          std::make_unique<CodePortion>(portion->start, lower, portion->bytes()));
        from.remove_and_destroy(portion);
    });
}

} // namespace quarnel
