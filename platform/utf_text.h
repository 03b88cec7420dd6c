#pragma once

#include <cstdint>
#include <string>

namespace kavri {

// Conversions between UTF-8 and the UTF-16 code units Windows keeps text in
// (device names, the Wi-Fi address in the dialog, the service lookup). Both
// write only inside the given capacity, never split a character, and add no
// terminator. Malformed input becomes U+FFFD.

// Converts text[0, length) while it fits in capacity code units; returns the
// count written. *complete tells whether all of the text fitted (may be null).
int utf8ToUtf16(const uint8_t* text, int length, char16_t* out, int capacity, bool* complete);

// Converts the zero-terminated text (at most maxUnits code units of it) while
// it fits in capacity bytes; returns the count of bytes written.
int utf16ToUtf8(const char16_t* text, int maxUnits, char* out, int capacity);

// A zero-terminated wide text (UTF-16 on Windows, UTF-32 elsewhere) as UTF-8.
std::string wideToUtf8(const wchar_t* text);

}  // namespace kavri
