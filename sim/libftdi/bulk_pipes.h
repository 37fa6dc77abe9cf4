// libftdi1's asynchronous transfers on one open channel: the bulk pipe to the chip and the one
// from it, each working through its queue of transfers in order, one libusb transfer of at
// most the context's chunk size at a time.
//
// Time is the bench's bus time, and the pipes move only while the host waits for one of their
// transfers. Out, a packet goes as fast as the channel takes it (the USB frames, or the chip's
// clock when that is slower); in synchronous bit-bang the chip takes a packet only while its
// FIFOs have room for the bytes and their samples, so it stalls when nobody reads. In, the
// chip sends a full packet of samples as soon as it has one, and a short one (or its status
// bytes alone) when its latency timer runs out. A libusb transfer ends when its chunk is done
// or, in, at a short packet; its pipe then rests a round trip before the next one runs, and
// the host learns that a transfer has ended a round trip after its last packet.
#pragma once

#include "sim/ftd2xx/ftdi_bench.h"
#include "sim/libftdi/libftdi_abi.h"

#include <cstddef>
#include <deque>

namespace avrsim {

class bulk_pipes {
  public:
    bulk_pipes(ftdi_bench& bench, ftdi_channel& channel)
        : bench_(bench), channel_(channel), round_trip_us_(ftdi_bench::round_trip_us(channel)) {}

    // Queues a transfer; its offset counts the bytes done. `refused`: it ends at once with an
    // error, as one the device refuses.
    void submit_write(libftdi::ftdi_transfer_control* transfer, bool refused);
    void submit_read(libftdi::ftdi_transfer_control* transfer, bool refused);
    // Moves the bus on until `transfer` has ended and the host has learnt of it; false when
    // it ended with an error. A transfer that moves nothing for its context's time-out ends
    // with one (the chip stalled, or had nothing to send).
    bool wait(libftdi::ftdi_transfer_control* transfer);
    // Forgets a transfer, ended or not.
    void cancel(const libftdi::ftdi_transfer_control* transfer);

  private:
    struct pipe {
        std::deque<libftdi::ftdi_transfer_control*> queue;
        double ready_us = 0;        // the pipe rests until then
        std::size_t chunk_left = 0; // bytes left of the libusb transfer running; 0: none
        double moved_us = 0;        // when data last moved (time-outs count from there)
    };
    struct ended {
        const libftdi::ftdi_transfer_control* transfer;
        double known_us; // when the host learns of it
        bool ok;
    };

    // A packet out or in; or, when none can move, the clock on to the next event.
    void step();
    bool send_packet(double now);
    bool receive_packet(double now);
    double next_event(double now) const;
    // Ends the front transfer of `which`.
    void end_transfer(pipe& which, double now, bool ok);
    // Ends the libusb transfer running on `which`: the pipe rests a round trip.
    void end_chunk(pipe& which, double now) const;
    bool timed_out(const pipe& which, double now) const;
    std::size_t packet_size() const;
    const ended* find(const libftdi::ftdi_transfer_control* transfer) const;

    ftdi_bench& bench_;
    ftdi_channel& channel_;
    double round_trip_us_;
    pipe out_;
    pipe in_;
    double latency_from_us_ = 0; // the chip's latency timer runs from here
    std::deque<ended> ended_;
};

} // namespace avrsim
