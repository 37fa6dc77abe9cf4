// Byte and buffer operations of spi_t built on transfer_byte.
#include "quarnel/adapters/spi.h"

namespace quarnel {

void spi_t::send_byte(std::uint8_t out) {
    transfer_byte(out);
}

std::uint8_t spi_t::receive_byte() {
    return transfer_byte(0x00);
}

void spi_t::transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) {
    for (int i = 0; i < len; ++i) {
        in[i] = transfer_byte(out[i]);
    }
}

void spi_t::send_buffer(const std::uint8_t* out, int len) {
    for (int i = 0; i < len; ++i) {
        send_byte(out[i]);
    }
}

void spi_t::receive_buffer(std::uint8_t* in, int len) {
    for (int i = 0; i < len; ++i) {
        in[i] = receive_byte();
    }
}

void spi_t::send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                               std::uint8_t* in, int len) {
    send_buffer(send, send_len);
    transfer_buffer(out, in, len);
}

} // namespace quarnel
