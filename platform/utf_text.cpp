#include "platform/utf_text.h"

namespace kavri {

namespace {

constexpr uint32_t REPLACEMENT = 0xFFFD;

// Decodes one character at text[i]; advances i by the bytes it used (at least
// one, so malformed bytes are consumed one at a time).
uint32_t decodeUtf8(const uint8_t* text, int length, int* i) {
    const uint8_t lead = text[*i];
    int extra = 0;
    uint32_t c = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        ++*i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07u, minimum = 0x10000;
    } else {
        ++*i;
        return REPLACEMENT;
    }
    if (length - *i - 1 < extra) {
        ++*i;
        return REPLACEMENT;
    }
    for (int k = 1; k <= extra; ++k) {
        const uint8_t b = text[*i + k];
        if ((b & 0xC0) != 0x80) {
            ++*i;
            return REPLACEMENT;
        }
        c = c << 6 | (b & 0x3Fu);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++*i;
        return REPLACEMENT;
    }
    *i += 1 + extra;
    return c;
}

int utf8Length(uint32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes the bytes (utf8Length of c) of one character.
void encodeUtf8(uint32_t c, int bytes, char* out) {
    if (bytes == 1) {
        out[0] = static_cast<char>(c);
        return;
    }
    for (int k = bytes - 1; k > 0; --k) {
        out[k] = static_cast<char>(0x80 | (c & 0x3F));
        c >>= 6;
    }
    static const uint8_t lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out[0] = static_cast<char>(lead[bytes] | c);
}

}  // namespace

int utf8ToUtf16(const uint8_t* text, int length, char16_t* out, int capacity, bool* complete) {
    int written = 0;
    int i = 0;
    bool all = true;
    while (text != nullptr && i < length) {
        const uint32_t c = decodeUtf8(text, length, &i);
        const int units = c >= 0x10000 ? 2 : 1;
        if (out == nullptr || capacity - written < units) {
            all = false;
            break;
        }
        if (units == 2) {
            out[written++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(c);
        }
    }
    if (complete != nullptr) {
        *complete = all;
    }
    return written;
}

int utf16ToUtf8(const char16_t* text, int maxUnits, char* out, int capacity) {
    int written = 0;
    for (int i = 0; text != nullptr && out != nullptr && i < maxUnits && text[i] != 0;) {
        uint32_t c = text[i];
        int used = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < maxUnits && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            used = 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = REPLACEMENT;
        }
        const int bytes = utf8Length(c);
        if (capacity - written < bytes) {
            break;
        }
        encodeUtf8(c, bytes, out + written);
        written += bytes;
        i += used;
    }
    return written;
}

std::string wideToUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        int units = 0;
        while (text[units] != 0) {
            ++units;
        }
        out.resize(static_cast<size_t>(units) * 3);
        out.resize(static_cast<size_t>(utf16ToUtf8(reinterpret_cast<const char16_t*>(text), units,
                                                   out.data(), static_cast<int>(out.size()))));
        return out;
    }
    for (; *text != 0; ++text) {
        uint32_t c = static_cast<uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = REPLACEMENT;
        }
        char bytes[4];
        const int n = utf8Length(c);
        encodeUtf8(c, n, bytes);
        out.append(bytes, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace kavri
