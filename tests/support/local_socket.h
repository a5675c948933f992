#pragma once
// Local sockets as a test meets them: one left behind by a program that ended, a raw connection.
#include <string>

namespace testsupport {

// Makes the socket file a program leaves when it ends without removing it: bound, never
// listened at, closed. False when it cannot be made.
bool LeaveAbandonedSocket(const std::string& path);
// A connected socket, or -1.
int ConnectLocal(const std::string& path);

}  // namespace testsupport
