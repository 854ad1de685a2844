#include "httpServer.h"

#include "textCodec.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace httpServer {

namespace {

// Long enough for the 100 KB query values a careless caller might send, short enough to bound memory.
constexpr size_t maxHeadBytes = 256 * 1024;
constexpr size_t maxDiscardedBody = 1024 * 1024;
constexpr int idleSeconds = 10;
constexpr int sendSeconds = 30;
constexpr size_t maxConnections = 1024;

bool sendAll(int fd, const char *data, size_t size, bool more)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL | (more ? MSG_MORE : 0));
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

// Head and body in one call, so they leave together without first being joined.
bool sendBoth(int fd, std::string_view head, std::string_view body)
{
    iovec parts[2] = {{const_cast<char *>(head.data()), head.size()},
                      {const_cast<char *>(body.data()), body.size()}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    while (parts[0].iov_len + parts[1].iov_len > 0) {
        const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        size_t done = size_t(sent);
        for (iovec &part : parts) {
            const size_t used = std::min(done, part.iov_len);
            part.iov_base = static_cast<char *>(part.iov_base) + used;
            part.iov_len -= used;
            done -= used;
        }
        if (parts[0].iov_len == 0) {
            message.msg_iov = parts + 1;
            message.msg_iovlen = 1;
        }
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = char(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Parses the head (without the blank line). False for anything that is not a request.
bool parseHead(std::string_view head, Request &request)
{
    size_t lineEnd = head.find('\n');
    std::string_view line = trim(head.substr(0, lineEnd));
    const size_t firstSpace = line.find(' ');
    const size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace)
        return false;
    request.method = std::string(line.substr(0, firstSpace));
    request.target = std::string(trim(line.substr(firstSpace + 1, lastSpace - firstSpace - 1)));
    request.version = std::string(line.substr(lastSpace + 1));
    if (request.target.empty() || !request.version.starts_with("HTTP/1."))
        return false;
    request.headers.clear();
    while (lineEnd != std::string_view::npos) {
        const size_t start = lineEnd + 1;
        lineEnd = head.find('\n', start);
        line = trim(head.substr(start, lineEnd == std::string_view::npos ? head.npos : lineEnd - start));
        if (line.empty())
            continue;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return false;
        request.headers.emplace_back(std::string(trim(line.substr(0, colon))),
                                     std::string(trim(line.substr(colon + 1))));
    }
    return true;
}

// Where the head ends in the buffer, and the length of the blank line after it (CR LF or bare LF).
struct HeadEnd
{
    size_t at = std::string::npos;
    size_t blankLine = 4;
    bool found() const { return at != std::string::npos; }
};

HeadEnd findHeadEnd(std::string_view buffer)
{
    HeadEnd end{buffer.find("\r\n\r\n"), 4};
    const size_t bare = buffer.find("\n\n");
    if (bare != std::string::npos && (!end.found() || bare < end.at))
        end = {bare, 2};
    return end;
}

// Appends what the peer sends next; false when it has closed, gone idle or failed.
bool receiveMore(int fd, std::string &buffer)
{
    char chunk[16384];
    while (true) {
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer.append(chunk, size_t(got));
        return true;
    }
}

// Reads until the buffer holds a whole head, or more than a head may be (end not found then).
// False when the connection ended first.
bool receiveHead(int fd, std::string &buffer, HeadEnd &end)
{
    while (!(end = findHeadEnd(buffer)).found() && buffer.size() <= maxHeadBytes)
        if (!receiveMore(fd, buffer))
            return false;
    return true;
}

bool wantsKeepAlive(const Request &request)
{
    const std::string connection = textCodec::toLowerAscii(request.header("Connection"));
    return request.version == "HTTP/1.1" ? connection.find("close") == std::string::npos
                                         : connection.find("keep-alive") != std::string::npos;
}

} // namespace

std::string Request::header(std::string_view name) const
{
    for (const auto &[key, value] : headers)
        if (equalsIgnoringCase(key, name))
            return value;
    return {};
}

std::string_view Request::path() const
{
    const std::string_view t = target;
    return t.substr(0, t.find('?'));
}

std::string_view Request::query() const
{
    const std::string_view t = target;
    const size_t mark = t.find('?');
    return mark == std::string_view::npos ? std::string_view() : t.substr(mark + 1);
}

void Response::setText(int code, std::string text, std::string type)
{
    status = code;
    body = std::move(text);
    sharedBody.reset();
    contentType = std::move(type);
}

void Response::setShared(int code, std::shared_ptr<const std::string> text)
{
    status = code;
    body.clear();
    sharedBody = std::move(text);
    contentType = "text/plain; charset=ISO-8859-1";
}

std::string_view reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Unknown";
    }
}

Server::Server(Handler handler) : m_handler(std::move(handler)) {}

Server::~Server()
{
    stop();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

int Server::bind(const std::string &address, int port, std::string &error)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address and port: " + address + ':' + std::to_string(port);
        return -1;
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 1024) != 0) {
        error = "cannot listen on " + address + ':' + std::to_string(port) + ": " + std::strerror(errno);
        return -1;
    }
    socklen_t length = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&addr), &length);
    return ntohs(addr.sin_port);
}

void Server::run()
{
    while (!m_stopping) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
                if (errno == EMFILE || errno == ENFILE)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            break;
        }
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_connections.size() < maxConnections || m_stopping; });
        if (m_stopping) {
            ::close(fd);
            break;
        }
        m_connections.insert(fd);
        lock.unlock();
        std::thread([this, fd] { serveConnection(fd); }).detach();
    }
    std::unique_lock lock(m_mutex);
    for (int fd : m_connections)
        ::shutdown(fd, SHUT_RDWR);
    m_idle.wait(lock, [this] { return m_connections.empty(); });
}

void Server::stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_listenFd >= 0)
        ::shutdown(m_listenFd, SHUT_RDWR);
    std::lock_guard lock(m_mutex);
    for (int fd : m_connections)
        ::shutdown(fd, SHUT_RDWR);
    m_idle.notify_all();
}

void Server::serveConnection(int fd)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const timeval idle{idleSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    const timeval sending{sendSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sending, sizeof sending);

    std::string buffer;
    while (!m_stopping && serveRequest(fd, buffer)) {
    }
    ::close(fd);
    std::lock_guard lock(m_mutex);
    m_connections.erase(fd);
    m_idle.notify_all();
}

bool Server::serveRequest(int fd, std::string &buffer)
{
    HeadEnd headEnd;
    if (!receiveHead(fd, buffer, headEnd))
        return false;
    const auto started = std::chrono::steady_clock::now();
    Request request;
    Response response;
    bool keepAlive = false;
    if (!headEnd.found()) {
        response.setText(431, "request head too long\r\n");
        buffer.clear();
    } else {
        const bool parsed = parseHead(std::string_view(buffer).substr(0, headEnd.at), request);
        buffer.erase(0, headEnd.at + headEnd.blankLine);
        if (!parsed)
            response.setText(400, "bad request\r\n");
        else if (!answer(fd, buffer, request, response, keepAlive))
            return false;
    }
    if (m_stopping)
        keepAlive = false;
    const bool written = writeResponse(fd, request, response, keepAlive);
    if (m_logger) {
        const auto spent =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started);
        m_logger(request, response, spent.count());
    }
    return written && keepAlive;
}

bool Server::answer(int fd, std::string &buffer, const Request &request, Response &response, bool &keepAlive)
{
    // We take no bodies; skip a small one, refuse the rest.
    if (!request.header("Transfer-Encoding").empty()) {
        response.setText(501, "request bodies are not taken\r\n");
        return true;
    }
    const std::string lengthText = request.header("Content-Length");
    const unsigned long long length = lengthText.empty() ? 0 : std::strtoull(lengthText.c_str(), nullptr, 10);
    if (length > maxDiscardedBody) {
        response.setText(413, "request body too large\r\n");
        return true;
    }
    while (buffer.size() < length)
        if (!receiveMore(fd, buffer))
            return false;
    buffer.erase(0, length);
    keepAlive = wantsKeepAlive(request);
    if (request.method != "GET" && request.method != "HEAD") {
        response.setText(405, "only GET is served here\r\n");
        return true;
    }
    try {
        m_handler(request, response);
    } catch (const std::exception &e) {
        response = Response();
        response.setText(500, std::string("internal error: ") + e.what() + "\r\n");
    }
    return true;
}

bool Server::writeResponse(int fd, const Request &request, const Response &response, bool keepAlive)
{
    std::string head;
    head.reserve(256);
    head += "HTTP/1.1 ";
    head += std::to_string(response.status);
    head += ' ';
    head += reasonPhrase(response.status);
    head += "\r\nContent-Type: ";
    head += response.contentType;
    head += "\r\nContent-Length: ";
    head += std::to_string(response.bodyLength());
    head += "\r\n";
    for (const auto &[key, value] : response.headers) {
        head += key;
        head += ": ";
        head += value;
        head += "\r\n";
    }
    head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";

    const bool withBody = request.method != "HEAD";
    if (!withBody)
        return sendAll(fd, head.data(), head.size(), false);
    if (!response.stream)
        return sendBoth(fd, head, response.text());
    if (!sendAll(fd, head.data(), head.size(), true))
        return false;
    std::string piece;
    std::uint64_t offset = 0;
    while (offset < response.streamLength) {
        piece.clear();
        const auto want =
            static_cast<size_t>(std::min<std::uint64_t>(256 * 1024, response.streamLength - offset));
        if (!response.stream(offset, want, piece) || piece.empty())
            return false; // the peer sees a short body and knows it failed
        if (piece.size() > want)
            piece.resize(want);
        if (!sendAll(fd, piece.data(), piece.size(), offset + piece.size() < response.streamLength))
            return false;
        offset += piece.size();
    }
    return true;
}

} // namespace httpServer
