#pragma once

namespace kavri {

// Streams report a failed read or write by throwing one of these plain ints.
// The phone link and the receive loop catch them and turn them into results.
constexpr int EXCEPTION_NOT_OPEN = 0;
constexpr int EXCEPTION_TIMEOUT = 1;
constexpr int EXCEPTION_INCOMPLETE_PACKET = 2;
constexpr int EXCEPTION_RECEIVE_FAILED = 3;
constexpr int EXCEPTION_END_OF_FILE = 4;
constexpr int EXCEPTION_SEND_FAILED = 10;

}  // namespace kavri
