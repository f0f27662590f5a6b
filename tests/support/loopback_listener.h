// A listening TCP socket on 127.0.0.1 at a free port, for servers that
// misbehave on purpose: the kernel's backlog accepts connections even while
// nobody calls accept, so a client meets a server that never answers.
#pragma once

namespace testsupport {

// The socket (close-on-exec), or -1; `port` receives its port.
int listenOnLoopback(int& port, int backlog = 8);

}  // namespace testsupport
