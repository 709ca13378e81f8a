// TCP ports for tests that start a program which listens.
#pragma once

#include <string>

namespace testsupport {

// A TCP port that is free on every local address now: the system chooses it for a socket that is
// bound and closed again. Unlike a port derived from the process id it cannot collide with a port
// another test holds; another program could still take it in the short moment before it is used.
int FreeTcpPort();

// Sends Request to 127.0.0.1:Port and returns what comes back until the server closes the connection
// or stays silent for SilenceMs; empty when nothing listens.
std::string ExchangeOnLoopback(int port, const std::string& request, int silenceMs);

}  // namespace testsupport
