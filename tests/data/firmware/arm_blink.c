// Sample firmware for a Cortex-M3 board with an LED on GPIO port C pin 13,
// linked at 0x08000000 (so its HEX file needs extended linear address
// records). No C library and no start-up files: the vector table and the
// reset handler are here. A blink-pattern table in flash makes the image a
// few KB, a couple of hundred HEX lines.
#include <stdint.h>

#define REG(addr) (*(volatile uint32_t*)(addr))
#define CLOCK_ENABLE REG(0x40021018u) /* peripheral clock enable register */
#define PORTC_CONFIG_HIGH REG(0x40011004u)
#define PORTC_OUTPUT REG(0x4001100Cu)
#define PORTC_CLOCK (1u << 4)
#define LED (1u << 13)

typedef void (*Handler)(void);
extern uint32_t __stack_top;
void reset_handler(void);
void default_handler(void);

// Pattern of on/off durations; the macros spell out 640 entries.
#define STEP(i) (uint32_t)(20000u + ((i) % 40) * 5000u)
#define S4(i) STEP(i), STEP(i + 1), STEP(i + 2), STEP(i + 3)
#define S16(i) S4(i), S4(i + 4), S4(i + 8), S4(i + 12)
#define S64(i) S16(i), S16(i + 16), S16(i + 32), S16(i + 48)
#define S128(i) S64(i), S64(i + 64)
static const uint32_t kPattern[640] = {S128(0), S128(128), S128(256), S128(384), S128(512)};

// Stack pointer, reset, then the system exceptions and 32 interrupts.
__attribute__((section(".vectors"), used)) static const Handler kVectors[48] = {
    (Handler)(uintptr_t)&__stack_top, reset_handler, [2 ... 47] = default_handler};

static void wait(uint32_t loops) {
  while (loops--) __asm__ volatile("nop");
}

void reset_handler(void) {
  CLOCK_ENABLE |= PORTC_CLOCK;
  // Pin 13: push-pull output, 2 MHz.
  PORTC_CONFIG_HIGH = (PORTC_CONFIG_HIGH & ~(0xFu << 20)) | (0x2u << 20);
  for (;;) {
    for (unsigned i = 0; i < sizeof kPattern / sizeof kPattern[0]; ++i) {
      PORTC_OUTPUT ^= LED;
      wait(kPattern[i]);
    }
  }
}

void default_handler(void) {
  for (;;) {
  }
}
