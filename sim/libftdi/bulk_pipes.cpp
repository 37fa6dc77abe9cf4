// The bulk pipes of a channel, packet by packet on the bus timeline.
#include "sim/libftdi/bulk_pipes.h"

#include <algorithm>
#include <limits>

namespace avrsim {

using libftdi::ftdi_transfer_control;

namespace {
constexpr double never = std::numeric_limits<double>::infinity();
constexpr std::size_t status_bytes = 2;

std::size_t left_of(const ftdi_transfer_control& transfer) {
    return static_cast<std::size_t>(transfer.size - transfer.offset);
}
} // namespace

void bulk_pipes::submit_write(ftdi_transfer_control* transfer, bool refused) {
    if (refused || transfer->size == 0) {
        transfer->completed = 1;
        ended_.push_back({transfer, 0, !refused});
        return;
    }
    if (out_.queue.empty()) {
        out_.moved_us = channel_.bus.total_us();
    }
    out_.queue.push_back(transfer);
}

void bulk_pipes::submit_read(ftdi_transfer_control* transfer, bool refused) {
    if (refused || transfer->size == 0) {
        transfer->completed = 1;
        ended_.push_back({transfer, 0, !refused});
        return;
    }
    if (in_.queue.empty()) {
        in_.moved_us = channel_.bus.total_us();
    }
    in_.queue.push_back(transfer);
}

bool bulk_pipes::wait(ftdi_transfer_control* transfer) {
    const auto queued = [transfer](const pipe& which) {
        return std::find(which.queue.begin(), which.queue.end(), transfer) != which.queue.end();
    };
    for (;;) {
        if (const ended* end = find(transfer); end != nullptr) {
            if (channel_.bus.total_us() >= end->known_us) {
                const bool ok = end->ok;
                cancel(transfer);
                return ok;
            }
        } else if (!queued(out_) && !queued(in_)) {
            return false; // not one of this channel's
        }
        step();
    }
}

void bulk_pipes::cancel(const ftdi_transfer_control* transfer) {
    for (pipe* which : {&out_, &in_}) {
        auto& queue = which->queue;
        if (const auto it = std::find(queue.begin(), queue.end(), transfer); it != queue.end()) {
            if (it == queue.begin()) {
                which->chunk_left = 0;
            }
            queue.erase(it);
        }
    }
    ended_.erase(std::remove_if(ended_.begin(), ended_.end(),
                                [transfer](const ended& end) { return end.transfer == transfer; }),
                 ended_.end());
}

void bulk_pipes::step() {
    const double now = channel_.bus.total_us();
    const bool sent = send_packet(now);
    const bool received = receive_packet(channel_.bus.total_us());
    if (sent || received) {
        return;
    }
    const double next = next_event(now);
    if (next != never) {
        channel_.bus.advance_us(next - now);
        bench_.counts().latency_us += next - now;
    }
}

bool bulk_pipes::send_packet(double now) {
    if (out_.queue.empty() || now < out_.ready_us) {
        return false;
    }
    ftdi_transfer_control& transfer = *out_.queue.front();
    if (timed_out(out_, now)) {
        end_transfer(out_, now, false);
        return true;
    }
    if (out_.chunk_left == 0) {
        const unsigned int chunk_size = std::max(transfer.ftdi->writebuffer_chunksize, 1U);
        out_.chunk_left = std::min<std::size_t>(chunk_size, left_of(transfer));
    }
    const std::size_t bytes = std::min(packet_size(), out_.chunk_left);
    std::deque<std::uint8_t>& samples = channel_.replies();
    // The chip takes a packet only when its FIFOs hold it and, in synchronous bit-bang, the
    // samples it leaves.
    if (channel_.bitbang.synchronous() && samples.size() + bytes > bitbang_engine::fifo_room) {
        return false;
    }
    if (samples.empty()) {
        latency_from_us_ = now;
    }
    channel_.write(transfer.buf + transfer.offset, bytes);
    bench_.counts().bytes_written += bytes;
    transfer.offset += static_cast<int>(bytes);
    out_.chunk_left -= bytes;
    const double after = channel_.bus.total_us();
    out_.moved_us = after;
    if (out_.chunk_left == 0) {
        end_chunk(out_, after);
        if (left_of(transfer) == 0) {
            end_transfer(out_, after, true);
        }
    }
    return true;
}

bool bulk_pipes::receive_packet(double now) {
    if (in_.queue.empty() || now < in_.ready_us) {
        return false;
    }
    ftdi_transfer_control& transfer = *in_.queue.front();
    if (timed_out(in_, now)) {
        end_transfer(in_, now, false);
        return true;
    }
    if (in_.chunk_left == 0) {
        in_.chunk_left = std::max<std::size_t>(transfer.ftdi->readbuffer_chunksize, packet_size());
    }
    std::deque<std::uint8_t>& samples = channel_.replies();
    const std::size_t per_packet = packet_size() - status_bytes;
    const bool full = samples.size() >= per_packet;
    if (!full && now < latency_from_us_ + channel_.latency_ms * 1000.0) {
        return false;
    }
    // Samples the reader does not want now stay for the next read, as libftdi keeps them.
    const std::size_t taken = std::min({per_packet, samples.size(), left_of(transfer)});
    std::copy_n(samples.begin(), taken, transfer.buf + transfer.offset);
    samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(taken));
    bench_.counts().bytes_read += taken;
    transfer.offset += static_cast<int>(taken);
    latency_from_us_ = now;
    if (taken > 0) {
        in_.moved_us = now;
    }
    in_.chunk_left -= std::min(in_.chunk_left, packet_size());
    if (!full || in_.chunk_left == 0) {
        end_chunk(in_, now);
    }
    if (left_of(transfer) == 0) {
        end_chunk(in_, now);
        end_transfer(in_, now, true);
    }
    return true;
}

double bulk_pipes::next_event(double now) const {
    double next = never;
    const auto consider = [&next, now](double at) {
        if (at > now) {
            next = std::min(next, at);
        }
    };
    for (const ended& end : ended_) {
        consider(end.known_us);
    }
    if (!out_.queue.empty()) {
        consider(out_.ready_us);
        consider(out_.moved_us + out_.queue.front()->ftdi->usb_write_timeout * 1000.0);
    }
    if (!in_.queue.empty()) {
        consider(in_.ready_us);
        consider(latency_from_us_ + channel_.latency_ms * 1000.0);
        consider(in_.moved_us + in_.queue.front()->ftdi->usb_read_timeout * 1000.0);
    }
    return next;
}

void bulk_pipes::end_transfer(pipe& which, double now, bool ok) {
    ftdi_transfer_control* transfer = which.queue.front();
    which.queue.pop_front();
    which.chunk_left = 0;
    which.moved_us = now;
    transfer->completed = 1;
    ended_.push_back({transfer, ok ? now + round_trip_us_ : now, ok});
}

void bulk_pipes::end_chunk(pipe& which, double now) const {
    which.chunk_left = 0;
    which.ready_us = now + round_trip_us_;
}

bool bulk_pipes::timed_out(const pipe& which, double now) const {
    const ftdi_transfer_control& transfer = *which.queue.front();
    const int timeout_ms =
        &which == &out_ ? transfer.ftdi->usb_write_timeout : transfer.ftdi->usb_read_timeout;
    return now >= which.moved_us + timeout_ms * 1000.0;
}

std::size_t bulk_pipes::packet_size() const {
    const ftdi_transfer_control* front =
        !out_.queue.empty() ? out_.queue.front() : in_.queue.front();
    return std::max<std::size_t>(front->ftdi->max_packet_size, 64);
}

const bulk_pipes::ended* bulk_pipes::find(const ftdi_transfer_control* transfer) const {
    for (const ended& end : ended_) {
        if (end.transfer == transfer) {
            return &end;
        }
    }
    return nullptr;
}

} // namespace avrsim
