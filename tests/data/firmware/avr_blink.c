// Sample firmware for an 8-bit AVR board (ATmega328P at 16 MHz, LED on PB5):
// the LED "breathes" by software PWM, its brightness taken from a table in
// flash. The table also makes the HEX image a few KB, so that a download
// has a couple of hundred lines to send.
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <stdint.h>

// A squared ramp looks even to the eye; the macros spell out 1024 entries.
#define LEVEL(i) ((uint16_t)(((i) % 256UL) * ((i) % 256UL) / 256UL))
#define L4(i) LEVEL(i), LEVEL(i + 1), LEVEL(i + 2), LEVEL(i + 3)
#define L16(i) L4(i), L4(i + 4), L4(i + 8), L4(i + 12)
#define L64(i) L16(i), L16(i + 16), L16(i + 32), L16(i + 48)
#define L256(i) L64(i), L64(i + 64), L64(i + 128), L64(i + 192)

static const uint16_t kBrightness[1024] PROGMEM = {L256(0), L256(256), L256(512), L256(768)};

static void pwm_period(uint8_t level) {
  for (uint8_t t = 0; t != 255; ++t) {
    if (t < level) {
      PORTB |= _BV(PB5);
    } else {
      PORTB &= (uint8_t)~_BV(PB5);
    }
  }
}

int main(void) {
  DDRB |= _BV(DDB5);
  for (;;) {
    for (uint16_t i = 0; i < 1024; ++i) {
      pwm_period((uint8_t)pgm_read_word(&kBrightness[i]));
    }
  }
}
