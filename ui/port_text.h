#pragma once

namespace kavri {

// A port typed into the ports dialog, read the way _wtoi reads it: leading
// white space, an optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond the int range saturate.
int portFromText(const wchar_t* text);

}  // namespace kavri
