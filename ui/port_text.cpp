#include "ui/port_text.h"

#include <climits>
#include <cwctype>

namespace kavri {

int portFromText(const wchar_t* text) {
    if (text == nullptr)
        return 0;
    const wchar_t* p = text;
    while (*p != L'\0' && std::iswspace(static_cast<wint_t>(*p)))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    // Accumulate as a negative number so that INT_MIN is reachable.
    long long value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 - (*p - L'0');
        if (value < INT_MIN)
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        return static_cast<int>(value);
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

}  // namespace kavri
