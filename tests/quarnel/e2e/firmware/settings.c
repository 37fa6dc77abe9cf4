/* Firmware for the ELF runs of the tests, built by them with avr-gcc: initialised data
 * (loaded behind the code), EEPROM data, fuse and lock bytes and the signature of the chip
 * it is built for; on the mega2560 enough constant data to put code past 64 KB of flash. */
#include <avr/eeprom.h>
#include <avr/fuse.h>
#include <avr/io.h>
#include <avr/lock.h>
#include <avr/pgmspace.h>
#include <avr/signature.h>

#if defined(EFUSE_DEFAULT)
FUSES = {.low = 0xE2, .high = 0xD1, .extended = 0xFD};
#else
FUSES = {.low = 0xE4, .high = 0xD1};
#endif
LOCKBITS = LB_MODE_2 & BLB0_MODE_3;

uint8_t EEMEM settings[12] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87, 0x98, 0xA9, 0xBA, 0xCB};
volatile uint8_t data_bytes[6] = {0x5A, 0xA5, 0x3C, 0xC3, 0x0F, 0xF0};

#if defined(__AVR_ATmega2560__)
/* Three arrays: an object of avr-gcc is at most 32767 bytes. */
const uint8_t far_a[22000] PROGMEM = {1, 2, 3};
const uint8_t far_b[22000] PROGMEM = {4, 5, 6};
const uint8_t far_c[22000] PROGMEM = {7, 8, 9};
#endif

int main(void)
{
    uint8_t sum = eeprom_read_byte(&settings[data_bytes[0] & 7]);
#if defined(__AVR_ATmega2560__)
    sum += pgm_read_byte_far(pgm_get_far_address(far_a) + data_bytes[1]);
    sum += pgm_read_byte_far(pgm_get_far_address(far_b) + data_bytes[2]);
    sum += pgm_read_byte_far(pgm_get_far_address(far_c) + data_bytes[3]);
#endif
    for (;;) {
        PORTB = sum++;
    }
}
