#pragma once

namespace kavri::test {

// Ports that nothing used a moment ago, or -1. Another program could take
// one before the test does; on loopback in a test run that does not happen.
int pickFreeUdpPort();
int unusedTcpPort();

}  // namespace kavri::test
