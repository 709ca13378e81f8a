// TCP ports for tests that start a program which listens.
#pragma once

namespace testsupport {

// A TCP port that is free on every local address now: the system chooses it for a socket that is
// bound and closed again. Unlike a port derived from the process id it cannot collide with a port
// another test holds; another program could still take it in the short moment before it is used.
int FreeTcpPort();

}  // namespace testsupport
