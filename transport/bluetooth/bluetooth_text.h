#pragma once

#include <cstdint>

namespace kavri {

// Conversions between the UTF-8 of Bluetooth names and the UTF-16 code units
// the device list and the service lookup keep them in. Both write only inside
// the given capacity, never split a character, and add no terminator.
// Malformed input becomes U+FFFD.

// Converts text[0, length) while it fits in capacity code units; returns the
// count written. *complete tells whether all of the text fitted (may be null).
int bluetoothTextToUtf16(const uint8_t* text, int length, char16_t* out, int capacity,
                         bool* complete);

// Converts the zero-terminated text (at most maxUnits code units of it) while
// it fits in capacity bytes; returns the count of bytes written.
int bluetoothTextToUtf8(const char16_t* text, int maxUnits, char* out, int capacity);

}  // namespace kavri
