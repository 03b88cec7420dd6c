#pragma once

#include "platform/utf_text.h"

#include <cstdint>
#include <string>

namespace kavri {

// A time-of-day measure (ms since midnight UTC) as HH:MM:SS.mmm.
std::string formatTimeOfDay(int32_t ms);

// What the user is told about a connection's final result: nothing for 0,
// the question for a lost connection, the no-audio warning (with the
// firewall line on Wi-Fi), otherwise the result's message.
std::string finalResultText(int result, int transportType, int mediaPort);

}  // namespace kavri
