// One chip: the run sequence, the lamps, the record's facts, the release, the log.
#include "quarnel/line/chip_run.h"

#include "platform/host_info.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/devices/fuse_layout.h"
#include "quarnel/image/image_checksum.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/run/error_report.h"
#include "quarnel/run/run_sequence.h"

#include <cstdio>
#include <optional>

namespace quarnel {

namespace {

std::string hex_text(const char* format, unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// "LOW=62 HIGH=D9 EXT=FF": the fuse bytes of the row, as the session read them last.
std::string fuse_text(const IspSession& session) {
    const FuseLayout* layout = session.current_device().fuse_layout;
    static constexpr const char* names[] = {nullptr, "LOW", "HIGH", "EXT"};
    std::string text;
    const std::array<std::uint8_t, 4> values = fuse_read_values(session);
    for (int i = 1; layout != nullptr && i < fuse_byte_count; ++i) {
        if (layout->bytes[i] != nullptr) {
            text += std::string(text.empty() ? "" : " ") + names[i] + "=" +
                    hex_text("%02lX", values[static_cast<std::size_t>(i)]);
        }
    }
    return text;
}

// The fuses as the chip holds them at the end; empty when they cannot be read.
std::string fuses_at_end(IspSession& session) {
    if (!session.target_active || session.device.detected_index < 0 ||
        session.current_device().fuse_layout == nullptr) {
        return "";
    }
    try {
        read_fuses(session);
        return fuse_text(session);
    } catch (const std::exception&) { // the record says only what could be read
        return "";
    }
}

} // namespace

LogRecord run_chip(RunState& state, os_timer_t& timer, const ChipRunHooks& hooks) {
    const RunOptions& options = state.options;
    LogRecord record;
    record.time = platform::utc_timestamp();
    record.station = platform::host_name();
    record.site = options.site_name.value_or("");
    record.adapter = options.adapter_spec.value_or("kelma");
    record.port = options.port_spec.value_or("");
    std::optional<std::uint32_t> image_crc;
    os_timer_t run_time; // the record's seconds, up to the release
    run_time.restart();

    int status = run_reporting_errors([&] {
        settle_run(state);
        run_sequence(state, [&](RunState& run) {
            if (!run.flash.empty()) {
                image_crc = image_crc32(run.flash);
            }
            if (hooks.await_chip) {
                hooks.await_chip(run);
            }
        });
        timer.stop();
        if (state.programmer) {
            state.programmer->set_led_ok(true);
        }
        console_log(2, "Total time %s\n",
                    format_time(static_cast<double>(timer.elapsed_ms()), TIME_MS).c_str());
    });
    if (status != EXIT_OK) {
        // A failing lamp must not hide the status of the run.
        run_reporting_errors([&] {
            if (state.programmer) {
                state.programmer->set_led_error(true);
            }
        });
    }
    if (hooks.read_back_fuses) {
        record.fuses = fuses_at_end(state.session);
    }
    const int release_status = run_reporting_errors([&] { release_run_target(state); });
    run_time.stop();

    const DeviceSelection& device = state.session.device;
    if (device.detected_index >= 0) {
        record.device = device_display_name(device.detected_index);
        record.signature = hex_text("%06lX", device_table[device.detected_index].signature);
    }
    if (state.production) {
        if (const auto serial = state.production->kept_serial_number()) {
            record.serial = std::to_string(*serial);
        }
    }
    if (image_crc) {
        record.image_crc32 = hex_text("%08lx", *image_crc);
    }
    record.status = status != EXIT_OK ? status : release_status;
    record.seconds = static_cast<double>(run_time.elapsed_ms()) / 1000.0;
    return record;
}

void store_record(LogRecord& record, const std::vector<LogSink*>& sinks) {
    for (LogSink* sink : sinks) {
        const int log_status = run_reporting_errors([&] { sink->append(record); });
        if (log_status != EXIT_OK && record.status == EXIT_OK) {
            record.status = log_status;
        }
    }
}

} // namespace quarnel
