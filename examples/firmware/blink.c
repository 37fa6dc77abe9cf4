/* Example firmware: blinks an LED on PB5 (mega328P) or PB0 (mega8) and keeps
 * a boot counter in EEPROM. Build with `make` (avr-gcc, avr-libc). The ELF file
 * also carries the chip's factory fuses and the signature of the chip it is for. */
#include <avr/eeprom.h>
#include <avr/fuse.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <avr/signature.h>
#include <util/delay.h>

#if defined(EFUSE_DEFAULT)
FUSES = {.low = LFUSE_DEFAULT, .high = HFUSE_DEFAULT, .extended = EFUSE_DEFAULT};
#else
FUSES = {.low = LFUSE_DEFAULT, .high = HFUSE_DEFAULT};
#endif

#if defined(__AVR_ATmega328P__)
#define LED_BIT PB5
#else
#define LED_BIT PB0
#endif

/* Shown by a debugger or a flash dump: which board this image is for. */
const char banner[] PROGMEM = "quarnel example firmware: blink with EEPROM boot counter";

uint16_t EEMEM boot_count = 0;
uint8_t EEMEM blink_period_10ms = 25;

int main(void)
{
    uint16_t boots = eeprom_read_word(&boot_count);
    eeprom_update_word(&boot_count, boots + 1);
    uint8_t period = eeprom_read_byte(&blink_period_10ms);
    if (period == 0 || period == 0xFF) {
        period = 25;
    }
    DDRB |= _BV(LED_BIT);
    for (;;) {
        PORTB ^= _BV(LED_BIT);
        for (uint8_t i = 0; i < period; ++i) {
            _delay_ms(10);
        }
        if (pgm_read_byte(&banner[0]) == 0) { /* keeps the banner in the image */
            PORTB = 0;
        }
    }
}
