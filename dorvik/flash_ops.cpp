// Flash transfers: page loading with data polling, read-back and verify.
#include "dorvik/flash_ops.h"

#include "dorvik/isp_driver.h"
#include "dorvik/memory_access.h"
#include "dorvik/write_poll.h"

#include <cstdio>
#include <optional>

namespace dorvik {
namespace {

// Progress is shown after every block of this many words.
constexpr std::uint32_t PROGRESS_BLOCK_WORDS = 256;

std::uint8_t low(std::uint32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
std::uint8_t high(std::uint32_t value) {
    return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

int block_percent(std::uint32_t words_done, std::uint32_t total_words) {
    const std::uint32_t blocks = words_done / PROGRESS_BLOCK_WORDS;
    return static_cast<int>(std::uint64_t{blocks} * PROGRESS_BLOCK_WORDS * 100 / total_words);
}

// The byte address that data polling watches for a page: the first low byte
// that is not 0xFF, else the first such high byte; nothing for an empty page.
std::optional<std::uint32_t> poll_address(const Image& image, std::uint32_t first_word,
                                          std::uint32_t words) {
    for (unsigned byte = 0; byte < 2; ++byte) {
        for (std::uint32_t w = first_word; w < first_word + words; ++w) {
            if (image[2 * w + byte] != 0xFF) {
                return 2 * w + byte;
            }
        }
    }
    return std::nullopt;
}

void load_and_write_page(const Image& image, std::uint32_t first_word, std::uint32_t words) {
    for (std::uint32_t w = first_word; w < first_word + words; ++w) {
        isp_command(0x40, 0x00, low(w), image[2 * w]);
        isp_command(0x48, 0x00, low(w), image[2 * w + 1]);
    }
    isp_command(0x4C, high(first_word), low(first_word + words - 1), 0x00);
}

int verify_flash(const Image& image) {
    const auto total_words = static_cast<std::uint32_t>(image.size() / 2);
    bool differs = false;
    for (std::uint32_t w = 0; w < total_words; ++w) {
        for (std::uint32_t address : {2 * w, 2 * w + 1}) {
            if (read_flash_byte(address) != image[address]) {
                std::printf("Error at address %04X.\n", address);
                differs = true;
            }
        }
        if ((w + 1) % PROGRESS_BLOCK_WORDS == 0) {
            std::printf("\r  Verify FLASH...\t\t\t\t\t%d%%", block_percent(w + 1, total_words));
        }
    }
    if (differs) {
        std::printf("\r  Verify FLASH...\t\t\t\t\terror.\t\n");
        return -1;
    }
    std::printf("\r  Verify FLASH...\t\t\t\t\tok.\t\n");
    return 0;
}

} // namespace

int read_flash(Image& image) {
    std::printf("  Start read FLASH memory.\n");
    const unsigned failures = isp_echo_failures();
    for (std::uint32_t address = 0; address < image.size(); ++address) {
        image[address] = read_flash_byte(address);
    }
    if (!isp_stayed_in_step(failures, "reading FLASH memory")) {
        return -1;
    }
    std::printf("  End read FLASH memory.\n");
    return 0;
}

int write_flash(const Image& image) {
    const auto total_words = static_cast<std::uint32_t>(image.size() / 2);
    const std::uint32_t page_words = state.page_mask + 1;
    std::printf("\r  Write FLASH...");
    for (std::uint32_t first = 0; first < total_words; first += page_words) {
        if (const auto poll = poll_address(image, first, page_words)) {
            load_and_write_page(image, first, page_words);
            if (!poll_written_byte(read_flash_byte, *poll, image[*poll])) {
                std::printf("\r  Write FLASH...\t\t\t\t\terror.\t\n");
                return -1;
            }
        }
        const std::uint32_t next = first + page_words;
        if (next % PROGRESS_BLOCK_WORDS == 0) {
            std::printf("\r  Write FLASH...\t\t\t\t\t%d%%", block_percent(next, total_words));
        }
    }
    std::printf("\r  Write FLASH...\t\t\t\t\tok.\t\n");
    if (isp_enter_programming() != 0) {
        return -1;
    }
    return verify_flash(image);
}

} // namespace dorvik
