// Request heads of any bytes, sent to the real server over loopback (its head parser is internal
// to it). Each input is one connection: the bytes, then the end of sending. The server must answer
// with a status line or not at all, and hand its handler a target whose path and query add up.
#include "httpServer.h"
#include "require.h"
#include "textCodec.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void handle(const httpServer::Request &request, httpServer::Response &response)
{
    const std::string_view path = request.path();
    const std::string_view query = request.query();
    fuzz::require(request.target.starts_with(path), "path starts the target");
    fuzz::require(query.empty() || path.size() + 1 + query.size() == request.target.size(), "path ? query");
    std::string value;
    if (textCodec::rawQueryValue(query, "search", value))
        response.setText(200, textCodec::queryValueToUtf8(value, true) + request.header("Host"));
    else
        response.setText(404, "not here\r\n");
}

int serverPort()
{
    static const int port = [] {
        static httpServer::Server server(handle);
        std::string error;
        const int bound = server.bind("127.0.0.1", 0, error);
        if (bound < 0) {
            std::fprintf(stderr, "bind: %s\n", error.c_str());
            std::abort();
        }
        std::thread([] { server.run(); }).detach();
        return bound;
    }();
    return port;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const int port = serverPort();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Tens of thousands of connections a minute run out of local ports or fill the listen backlog
    // for a moment; that is the machine, not the server, so wait and try again.
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 200; ++attempt) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        fuzz::require(fd >= 0, "socket");
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(fd);
            fd = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    fuzz::require(fd >= 0, "connect");
    // Closing with a reset leaves no TIME_WAIT behind to hold a local port.
    const linger resetOnClose{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the server may close early, on a bad head
        sent += std::size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    std::string reply;
    char chunk[16384];
    ssize_t got;
    while ((got = ::recv(fd, chunk, sizeof chunk, 0)) > 0)
        reply.append(chunk, std::size_t(got));
    ::close(fd);
    fuzz::require(reply.empty() || reply.starts_with("HTTP/1.1 "), "a reply starts with a status line");
    return 0;
}
