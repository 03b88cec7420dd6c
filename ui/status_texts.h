#pragma once

namespace kavri {

// Status-bar text of a connection state; "Unknown state" for any other value.
const wchar_t* stateText(int state);

// Status-bar name of a transport type; an empty text for any other value.
const wchar_t* transportText(int transportType);

}  // namespace kavri
