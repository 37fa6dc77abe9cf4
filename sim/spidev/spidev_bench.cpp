// The kernel's spidev and GPIO character device, played on the virtual chip.
#include "sim/spidev/spidev_bench.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <linux/gpio.h>
#include <linux/spi/spidev.h>

namespace avrsim {

namespace {

void complain(const std::string& text) {
    std::fprintf(stderr, "avrsim spidev: %s\n", text.c_str());
}

template <typename Number> bool parse_number(const std::string& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// Applies one target-file key; false for an unknown key or a bad value (`error` says which).
bool apply_key(spidev_settings& settings, const std::string& key, std::string value,
               std::string& error) {
    bool good = true;
    if (key == "spidev_device") {
        settings.device = value;
    } else if (key == "gpio_chip") {
        settings.gpio_chip = value;
    } else if (key == "gpio_lines") {
        good = parse_number(value, settings.gpio_lines) && settings.gpio_lines <= 1024;
    } else if (key == "gpio_reset") {
        settings.reset_inverted = !value.empty() && value.front() == '~';
        if (settings.reset_inverted) {
            value.erase(0, 1);
        }
        good = value == "none" ? (settings.reset_line = -1, true)
                               : parse_number(value, settings.reset_line);
    } else if (key == "spidev_bufsiz") {
        good = parse_number(value, settings.bufsiz) && settings.bufsiz > 0;
    } else if (key == "spidev_dma_align") {
        good = parse_number(value, settings.dma_align) && settings.dma_align > 0;
    } else if (key == "spidev_max_hz") {
        good = parse_number(value, settings.max_speed_hz) && settings.max_speed_hz > 0;
    } else if (key == "spidev_fault") {
        good = value == "none" || value == "missing" || value == "permission" ||
               value == "gpio_permission" || value == "busy";
        settings.fault = value == "none" ? "" : value;
    } else if (key == "spidev_stats") {
        settings.stats_file = value;
    } else if (key.rfind("spidev", 0) == 0 || key.rfind("gpio", 0) == 0) {
        error = "unknown key '" + key + "'";
        return false;
    } else {
        return true; // another stand-in's key
    }
    if (!good) {
        error = "bad " + key + " '" + value + "'";
    }
    return good;
}

std::size_t aligned(std::size_t len, std::size_t alignment) {
    return (len + alignment - 1) / alignment * alignment;
}

int refuse(int error) {
    errno = error;
    return -1;
}

} // namespace

spidev_bench::spidev_bench(const char* target_path) {
    if (target_path == nullptr || target_path[0] == '\0') {
        complain("AVRSIM_TARGET is not set: no target on the SPI bus");
        return;
    }
    try {
        load(target_path);
    } catch (const std::exception& error) {
        complain(std::string(error.what()) + ": no target on the SPI bus");
        target_.reset();
        chip_.reset();
    }
}

void spidev_bench::load(const char* target_path) {
    target_path_ = target_path;
    target_ = load_target(target_path_);
    for (const auto& [key, value] : target_->extra) {
        std::string error;
        if (!apply_key(settings_, key, value, error)) {
            throw target_error(target_path_ + ": " + error);
        }
    }
    if (const char* stats = std::getenv("AVRSIM_SPIDEV_STATS"); stats != nullptr && *stats) {
        settings_.stats_file = stats;
    }
    speed_hz_ = settings_.max_speed_hz;
    chip_ = std::make_unique<ChipModel>(target_->chip, target_->settings, clock_);
}

spidev_bench::~spidev_bench() {
    if (target_) {
        try {
            save_target(*target_, target_path_);
        } catch (const std::exception& error) {
            complain(error.what());
        }
    }
    write_stats();
}

std::optional<served_kind> spidev_bench::serves(const char* path) const {
    if (path == nullptr || !target_) {
        return std::nullopt;
    }
    if (settings_.device == path) {
        return served_kind::spidev;
    }
    if (settings_.gpio_chip == path) {
        return served_kind::gpio_chip;
    }
    return std::nullopt;
}

int spidev_bench::open_error(served_kind kind) const {
    const std::string& fault = settings_.fault;
    if (kind == served_kind::spidev) {
        return fault == "missing" ? ENOENT : fault == "permission" ? EACCES : 0;
    }
    return fault == "gpio_permission" ? EACCES : 0;
}

std::optional<served_kind> spidev_bench::kind_of(int fd) const {
    const auto found = served_.find(fd);
    return found == served_.end() ? std::nullopt : std::optional(found->second);
}

void spidev_bench::closed(int fd) {
    served_.erase(fd);
    // The lines are given back; on this board each keeps the level it had.
    held_.erase(fd);
}

int spidev_bench::ioctl(int fd, served_kind kind, unsigned long request, void* arg) {
    if (arg == nullptr) {
        return refuse(EFAULT);
    }
    switch (kind) {
    case served_kind::spidev:
        return spi_ioctl(request, arg);
    case served_kind::gpio_chip:
        return chip_ioctl(request, arg);
    case served_kind::gpio_line:
        return line_ioctl(fd, request, arg);
    }
    return refuse(ENOTTY);
}

int spidev_bench::spi_ioctl(unsigned long request, void* arg) {
    if (_IOC_TYPE(request) == SPI_IOC_MAGIC && _IOC_NR(request) == 0 &&
        _IOC_DIR(request) == _IOC_WRITE) {
        const unsigned size = _IOC_SIZE(request);
        if (size % sizeof(spi_ioc_transfer) != 0) {
            return refuse(EINVAL);
        }
        return spi_message(arg, size / sizeof(spi_ioc_transfer));
    }
    switch (request) {
    case SPI_IOC_WR_MODE:
        mode_ = *static_cast<std::uint8_t*>(arg) & 0x03;
        return 0;
    case SPI_IOC_WR_MODE32:
        mode_ = static_cast<std::uint8_t>(*static_cast<std::uint32_t*>(arg) & 0x03);
        return 0;
    case SPI_IOC_RD_MODE:
        *static_cast<std::uint8_t*>(arg) = mode_;
        return 0;
    case SPI_IOC_RD_MODE32:
        *static_cast<std::uint32_t*>(arg) = mode_;
        return 0;
    case SPI_IOC_WR_BITS_PER_WORD: {
        const std::uint8_t bits = *static_cast<std::uint8_t*>(arg);
        if (bits != 0 && bits != 8) {
            return refuse(EINVAL); // the controller moves bytes only
        }
        bits_ = 8;
        return 0;
    }
    case SPI_IOC_RD_BITS_PER_WORD:
        *static_cast<std::uint8_t*>(arg) = bits_;
        return 0;
    case SPI_IOC_WR_MAX_SPEED_HZ: {
        const std::uint32_t speed = *static_cast<std::uint32_t*>(arg);
        if (speed == 0) {
            return refuse(EINVAL);
        }
        speed_hz_ = std::min(speed, settings_.max_speed_hz);
        return 0;
    }
    case SPI_IOC_RD_MAX_SPEED_HZ:
        *static_cast<std::uint32_t*>(arg) = speed_hz_;
        return 0;
    case SPI_IOC_WR_LSB_FIRST:
        return *static_cast<std::uint8_t*>(arg) != 0 ? refuse(EINVAL) : 0;
    case SPI_IOC_RD_LSB_FIRST:
        *static_cast<std::uint8_t*>(arg) = 0;
        return 0;
    default:
        return refuse(ENOTTY);
    }
}

// As spidev does: each transfer's share of the buffer is rounded up to the DMA alignment, and
// the whole message must fit the buffer each way.
int spidev_bench::spi_message(const void* transfers, unsigned count) {
    const auto* list = static_cast<const spi_ioc_transfer*>(transfers);
    std::size_t tx_total = 0;
    std::size_t rx_total = 0;
    for (unsigned i = 0; i < count; ++i) {
        const spi_ioc_transfer& t = list[i];
        if ((t.bits_per_word != 0 && t.bits_per_word != 8) || (t.tx_nbits > 1) ||
            (t.rx_nbits > 1)) {
            ++counts_.refused;
            return refuse(EINVAL);
        }
        if (t.tx_buf != 0) {
            tx_total += aligned(t.len, settings_.dma_align);
        }
        if (t.rx_buf != 0) {
            rx_total += aligned(t.len, settings_.dma_align);
        }
        if (tx_total > settings_.bufsiz || rx_total > settings_.bufsiz) {
            ++counts_.refused;
            return refuse(EMSGSIZE);
        }
    }
    std::size_t total = 0;
    clock_.begin_transfer();
    for (unsigned i = 0; i < count; ++i) {
        const spi_ioc_transfer& t = list[i];
        const std::uint32_t asked = t.speed_hz != 0 ? t.speed_hz : speed_hz_;
        // The kernel's transfer carries the caller's buffers as 64-bit integers.
        // NOLINTBEGIN(performance-no-int-to-ptr)
        const auto* tx =
            reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(t.tx_buf));
        auto* rx = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(t.rx_buf));
        // NOLINTEND(performance-no-int-to-ptr)
        clock_bytes(tx, rx, t.len, std::min(asked, settings_.max_speed_hz));
        clock_.advance_us(t.delay_usecs);
        total += t.len;
    }
    clock_.end_transfer();
    ++counts_.messages;
    counts_.transfers += count;
    counts_.bytes += total;
    counts_.page_messages += total >= 512 ? 1 : 0;
    return static_cast<int>(total);
}

void spidev_bench::clock_bytes(const std::uint8_t* out, std::uint8_t* in, std::size_t len,
                               std::uint32_t speed_hz) {
    const double half_us = 0.5e6 / speed_hz;
    const bool idle = (mode_ & SPI_CPOL) != 0;
    const bool late_phase = (mode_ & SPI_CPHA) != 0;
    for (std::size_t i = 0; i < len; ++i) {
        const std::uint8_t byte = out != nullptr ? out[i] : 0x00;
        std::uint8_t got = 0;
        for (int bit = 7; bit >= 0; --bit) {
            const bool level = ((byte >> bit) & 1) != 0;
            if (late_phase) {
                chip_->set_sck(!idle);
                chip_->set_mosi(level);
            } else {
                chip_->set_mosi(level);
            }
            clock_.advance_us(half_us);
            got = static_cast<std::uint8_t>(got << 1 | (chip_->miso() ? 1 : 0));
            chip_->set_sck(late_phase ? idle : !idle);
            clock_.advance_us(half_us);
            if (!late_phase) {
                chip_->set_sck(idle);
            }
        }
        if (in != nullptr) {
            in[i] = got;
        }
    }
    // The controller leaves MOSI low between messages.
    chip_->set_mosi(false);
}

int spidev_bench::chip_ioctl(unsigned long request, void* arg) {
    switch (request) {
    case GPIO_GET_CHIPINFO_IOCTL: {
        auto* info = static_cast<gpiochip_info*>(arg);
        std::memset(info, 0, sizeof *info);
        std::snprintf(info->name, sizeof info->name, "gpiochip0");
        std::snprintf(info->label, sizeof info->label, "pinctrl-avrsim");
        info->lines = settings_.gpio_lines;
        return 0;
    }
    case GPIO_V2_GET_LINE_IOCTL: {
        auto* request_v2 = static_cast<gpio_v2_line_request*>(arg);
        const gpio_v2_line_config& config = request_v2->config;
        const bool output = (config.flags & GPIO_V2_LINE_FLAG_OUTPUT) != 0;
        if (request_v2->num_lines == 0 || request_v2->num_lines > GPIO_V2_LINES_MAX ||
            config.num_attrs > GPIO_V2_LINE_NUM_ATTRS_MAX ||
            (output && (config.flags & GPIO_V2_LINE_FLAG_INPUT) != 0)) {
            return refuse(EINVAL);
        }
        std::uint64_t values = 0;
        for (unsigned a = 0; a < config.num_attrs; ++a) {
            if (config.attrs[a].attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES) {
                values = (values & ~config.attrs[a].mask) |
                         (config.attrs[a].attr.values & config.attrs[a].mask);
            }
        }
        const int fd = request_lines(request_v2->offsets, request_v2->num_lines, output, values);
        if (fd < 0) {
            return -1;
        }
        request_v2->fd = fd;
        return 0;
    }
    case GPIO_GET_LINEHANDLE_IOCTL: {
        auto* request_v1 = static_cast<gpiohandle_request*>(arg);
        if (request_v1->lines == 0 || request_v1->lines > GPIOHANDLES_MAX) {
            return refuse(EINVAL);
        }
        const bool output = (request_v1->flags & GPIOHANDLE_REQUEST_OUTPUT) != 0;
        std::uint64_t values = 0;
        for (unsigned i = 0; i < request_v1->lines; ++i) {
            values |= std::uint64_t{request_v1->default_values[i] != 0} << i;
        }
        const int fd = request_lines(request_v1->lineoffsets, request_v1->lines, output, values);
        if (fd < 0) {
            return -1;
        }
        request_v1->fd = fd;
        return 0;
    }
    default:
        return refuse(ENOTTY);
    }
}

int spidev_bench::request_lines(const std::uint32_t* offsets, unsigned lines, bool output,
                                std::uint64_t values) {
    std::vector<unsigned> wanted(offsets, offsets + lines);
    for (unsigned offset : wanted) {
        if (offset >= settings_.gpio_lines) {
            return refuse(EINVAL);
        }
        const bool held_elsewhere =
            settings_.fault == "busy" && static_cast<int>(offset) == settings_.reset_line;
        for (const auto& [fd, held] : held_) {
            if (std::find(held.begin(), held.end(), offset) != held.end()) {
                return refuse(EBUSY);
            }
        }
        if (held_elsewhere) {
            return refuse(EBUSY);
        }
    }
    const int fd = open_line_descriptor();
    if (fd < 0) {
        return -1;
    }
    ++counts_.line_requests;
    held_[fd] = wanted;
    served_[fd] = served_kind::gpio_line;
    for (unsigned i = 0; i < lines; ++i) {
        set_line(wanted[i], output ? std::optional(((values >> i) & 1) != 0) : std::nullopt);
    }
    return fd;
}

int spidev_bench::line_ioctl(int fd, unsigned long request, void* arg) {
    const auto found = held_.find(fd);
    if (found == held_.end()) {
        return refuse(EBADF);
    }
    const std::vector<unsigned>& lines = found->second;
    const auto is_output = [this](unsigned offset) { return levels_[offset].has_value(); };
    switch (request) {
    case GPIO_V2_LINE_SET_VALUES_IOCTL: {
        const auto* values = static_cast<gpio_v2_line_values*>(arg);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (((values->mask >> i) & 1) != 0 && !is_output(lines[i])) {
                return refuse(EPERM);
            }
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (((values->mask >> i) & 1) != 0) {
                set_line(lines[i], ((values->bits >> i) & 1) != 0);
            }
        }
        return 0;
    }
    case GPIO_V2_LINE_GET_VALUES_IOCTL: {
        auto* values = static_cast<gpio_v2_line_values*>(arg);
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            bits |= std::uint64_t{levels_[lines[i]].value_or(true)} << i;
        }
        values->bits = bits & values->mask;
        return 0;
    }
    case GPIO_V2_LINE_SET_CONFIG_IOCTL: {
        const auto* config = static_cast<gpio_v2_line_config*>(arg);
        const bool output = (config->flags & GPIO_V2_LINE_FLAG_OUTPUT) != 0;
        for (unsigned offset : lines) {
            set_line(offset,
                     output ? std::optional(levels_[offset].value_or(false)) : std::nullopt);
        }
        return 0;
    }
    case GPIOHANDLE_SET_LINE_VALUES_IOCTL: {
        const auto* data = static_cast<gpiohandle_data*>(arg);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!is_output(lines[i])) {
                return refuse(EPERM);
            }
            set_line(lines[i], data->values[i] != 0);
        }
        return 0;
    }
    case GPIOHANDLE_GET_LINE_VALUES_IOCTL: {
        auto* data = static_cast<gpiohandle_data*>(arg);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            data->values[i] = levels_[lines[i]].value_or(true) ? 1 : 0;
        }
        return 0;
    }
    default:
        return refuse(ENOTTY);
    }
}

void spidev_bench::set_line(unsigned offset, std::optional<bool> level) {
    ++counts_.line_sets;
    levels_[offset] = level;
    if (static_cast<int>(offset) == settings_.reset_line) {
        apply_reset();
    }
}

void spidev_bench::apply_reset() {
    if (settings_.reset_line < 0) {
        return;
    }
    const std::optional<bool> level = levels_[static_cast<unsigned>(settings_.reset_line)];
    // An undriven line leaves RESET to the target's pull-up.
    const bool pin_high = level ? *level != settings_.reset_inverted : true;
    chip_->set_reset(!pin_high);
}

void spidev_bench::write_stats() const {
    if (settings_.stats_file.empty()) {
        return;
    }
    std::string reset_line = "none";
    if (settings_.reset_line >= 0) {
        const auto found = levels_.find(static_cast<unsigned>(settings_.reset_line));
        reset_line = found == levels_.end() || !found->second ? "input"
                     : *found->second                         ? "high"
                                                              : "low";
    }
    std::ofstream out(settings_.stats_file);
    out << "spi_messages " << counts_.messages << "\n"
        << "spi_transfers " << counts_.transfers << "\n"
        << "spi_bytes " << counts_.bytes << "\n"
        << "spi_page_messages " << counts_.page_messages << "\n"
        << "spi_refused " << counts_.refused << "\n"
        << "gpio_line_requests " << counts_.line_requests << "\n"
        << "gpio_lines_held " << held_.size() << "\n"
        << "reset_line " << reset_line << "\n"
        << "target_in_reset " << (chip_ != nullptr && chip_->in_reset() ? 1 : 0) << "\n"
        << "bus_time_us " << static_cast<std::uint64_t>(clock_.total_us()) << "\n";
    if (!out) {
        complain("can't write " + settings_.stats_file);
    }
}

} // namespace avrsim
