#pragma once

namespace kavri {

// The settings' transportType: which way the next connection reaches the
// phone. Stored as a plain number in settings.dat, so the values are fixed.
constexpr int TRANSPORT_BLUETOOTH = 1;
constexpr int TRANSPORT_USB = 2;
constexpr int TRANSPORT_WIFI = 3;

}  // namespace kavri
