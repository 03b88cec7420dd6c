#pragma once

namespace kavri {

// The one result a connect attempt or a connection ends with: 0 for success
// or a stop by the user, a negative code for each kind of failure. Transports
// return some of them, the controller the rest; the texts live with the
// controller.
constexpr int RESULT_OK = 0;
constexpr int RESULT_NO_DEVICE = -1;
constexpr int RESULT_OUT_OF_MEMORY = -2;
constexpr int RESULT_CANNOT_CONNECT = -5;
constexpr int RESULT_HANDSHAKE_FAILED = -6;
constexpr int RESULT_VERSION_MISMATCH = -7;
// Also the result of a transport type the phone link does not know.
constexpr int RESULT_CANNOT_START = -8;
constexpr int RESULT_DRIVER_BROKEN = -9;
constexpr int RESULT_NO_USB_DEVICE = -10;
constexpr int RESULT_WSA_FAILED = -11;
constexpr int RESULT_MEDIA_OPEN_FAILED = -12;
constexpr int RESULT_DRIVER_TOO_OLD = -13;
constexpr int RESULT_CONNECTION_LOST = -20;
constexpr int RESULT_NO_AUDIO = -21;

}  // namespace kavri
