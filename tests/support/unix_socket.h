// SPDX-License-Identifier: MIT
// Creates a bound Unix socket file for the tests that hand one to a program
// as its input or output. A socket's path must fit sun_path (108 bytes) and
// the build folder may lie deeper than that, so the sockets go into one short
// folder under /tmp, made once per test process and removed at its end.
#pragma once

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace test_socket {

// The short folder and the sockets made in it, removed when the process ends.
struct ShortDir {
    std::string path;
    std::vector<std::string> sockets;
    ShortDir()
    {
        char tmpl[] = "/tmp/pzsockXXXXXX";
        if (mkdtemp(tmpl)) path = tmpl;
    }
    ~ShortDir()
    {
        for (const std::string &s : sockets) unlink(s.c_str());
        if (!path.empty()) rmdir(path.c_str());
    }
};

// A socket file named `name` (no folder part) in the short folder; its path,
// or "" when it could not be made.
inline std::string bind_unix_socket(const std::string &name)
{
    static ShortDir dir;
    const std::string path = dir.path + "/" + name;
    sockaddr_un addr{};
    if (dir.path.empty() || path.size() >= sizeof addr.sun_path) return "";
    unlink(path.c_str());
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    if (s < 0) return "";
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path.c_str(), path.size());
    const bool bound = bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    close(s);
    if (!bound) return "";
    dir.sockets.push_back(path);
    return path;
}

}  // namespace test_socket
