// The virtual SPI controller and GPIO chip of a single-board computer, with the target chip on
// them: what the kernel's spidev driver and GPIO character device do, as a program sees them
// through open, ioctl and close. Settings come from the target file; the chip and the counts
// are saved when the bench goes.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bus_clock.h"
#include "sim/target_file.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avrsim {

// What a served file descriptor stands for.
enum class served_kind { spidev, gpio_chip, gpio_line };

struct spidev_settings {
    std::string device = "/dev/spidev0.0";
    std::string gpio_chip = "/dev/gpiochip0";
    unsigned gpio_lines = 54;
    int reset_line = 25; // -1: RESET not wired to the chip
    bool reset_inverted = false;
    std::size_t bufsiz = 4096;
    std::size_t dma_align = 128;
    std::uint32_t max_speed_hz = 125000000;
    // "missing" (no spidev device), "permission" (not in group spi), "gpio_permission",
    // "busy" (the RESET line held by another program).
    std::string fault;
    std::string stats_file;
};

struct spidev_counts {
    std::uint64_t messages = 0;      // SPI_IOC_MESSAGE calls that ran
    std::uint64_t transfers = 0;     // transfers in them
    std::uint64_t bytes = 0;         // bytes clocked
    std::uint64_t page_messages = 0; // messages of 512 bytes or more
    std::uint64_t refused = 0;       // messages refused (EMSGSIZE, EINVAL)
    std::uint64_t line_sets = 0;     // GPIO value changes asked for
    std::uint64_t line_requests = 0; // lines requested
};

class spidev_bench {
  public:
    explicit spidev_bench(const char* target_path);
    ~spidev_bench();
    spidev_bench(const spidev_bench&) = delete;
    spidev_bench& operator=(const spidev_bench&) = delete;

    // The kind of file a path opens here, or none: the program's own files.
    std::optional<served_kind> serves(const char* path) const;
    // open: 0, or the errno the kernel would give.
    int open_error(served_kind kind) const;
    // An ioctl on a served descriptor: its result, with errno set on failure.
    int ioctl(int fd, served_kind kind, unsigned long request, void* arg);
    // A served descriptor is opened or closed (a line request's descriptor gives the line back).
    void opened(int fd, served_kind kind) { served_[fd] = kind; }
    void closed(int fd);
    std::optional<served_kind> kind_of(int fd) const;

  private:
    int spi_ioctl(unsigned long request, void* arg);
    int spi_message(const void* transfers, unsigned count);
    void clock_bytes(const std::uint8_t* out, std::uint8_t* in, std::size_t len,
                     std::uint32_t speed_hz);
    int chip_ioctl(unsigned long request, void* arg);
    int line_ioctl(int fd, unsigned long request, void* arg);
    // A line request of `lines` lines at `offsets`, as outputs when `output`; its new fd or -1.
    int request_lines(const std::uint32_t* offsets, unsigned lines, bool output,
                      std::uint64_t values);
    void set_line(unsigned offset, std::optional<bool> level);
    void apply_reset();
    void load(const char* target_path);
    void write_stats() const;

    std::optional<Target> target_;
    std::string target_path_;
    spidev_settings settings_;
    bus_clock clock_;
    std::unique_ptr<ChipModel> chip_;
    std::map<int, served_kind> served_;
    // Lines held through a line descriptor: descriptor -> offsets.
    std::map<int, std::vector<unsigned>> held_;
    // Level each line drives (none: an input, so the target's pull-up holds RESET high).
    std::map<unsigned, std::optional<bool>> levels_;
    std::uint8_t mode_ = 0;
    std::uint8_t bits_ = 8;
    std::uint32_t speed_hz_ = 125000000;
    spidev_counts counts_;
};

// The bench of the process, made from AVRSIM_TARGET on first use and saved when the library
// unloads.
spidev_bench& spidev();

// A real descriptor of the process for a line request, so that the program can close it as
// it closes any file (made by the interposer); -1 with errno set.
int open_line_descriptor();

} // namespace avrsim
