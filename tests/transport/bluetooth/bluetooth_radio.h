#pragma once

namespace kavri::test {

// Whether the machine has a Bluetooth radio; the tests of what happens
// without one are skipped where there is one.
bool hasBluetoothRadio();

}  // namespace kavri::test
