#pragma once

namespace kavri {

// Puts the text on the clipboard as Unicode text; false when the clipboard
// could not be had or the memory not allocated.
bool copyTextToClipboard(const wchar_t* text);

}  // namespace kavri
