// TARNWICK_ASAN is defined when the build runs under AddressSanitizer, as GCC
// and clang each tell it their own way. Memory figures then are mostly the
// sanitizer's (shadow memory, freed blocks held in quarantine).
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_ASAN 1
#endif
#endif
