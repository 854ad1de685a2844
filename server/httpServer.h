#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A small HTTP/1.1 server on Asio: a fixed pool of threads serves every connection asynchronously, with
// keep-alive, bounded heads and bodies, and a deadline for each whole request so slow senders cost a
// socket and nothing more. The head reader is our own: the target is handed over exactly as it arrived
// (bare '%', several '?', raw Latin-1 and control bytes) and bare LF line ends are taken, which strict
// parsers refuse.
namespace httpServer {

struct Request
{
    std::string method;
    std::string target; // raw, undecoded
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;

    // First header of that name (case-insensitive), empty when absent.
    std::string header(std::string_view name) const;
    // The target without its query ("/a/b"), and the query after the first '?' (or empty).
    std::string_view path() const;
    std::string_view query() const;
};

struct Response
{
    int status = 200;
    std::string contentType = "text/plain; charset=ISO-8859-1";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // A body held elsewhere too (a cached reply): sent from there, never copied. Wins over body.
    std::shared_ptr<const std::string> sharedBody;
    // A body produced piece by piece instead of held in memory: streamLength bytes, asked for in
    // order; the producer appends the next piece (at most maxBytes) and returns false on failure.
    std::uint64_t streamLength = 0;
    std::function<bool(std::uint64_t offset, std::size_t maxBytes, std::string &piece)> stream;

    void setText(int code, std::string text, std::string type = "text/plain; charset=ISO-8859-1");
    void setShared(int code, std::shared_ptr<const std::string> text);
    const std::string &text() const { return sharedBody ? *sharedBody : body; }
    std::uint64_t bodyLength() const { return stream ? streamLength : text().size(); }
};

using Handler = std::function<void(const Request &, Response &)>;
// Called after each response: host header, target, status, body bytes, milliseconds spent.
using Logger = std::function<void(const Request &, const Response &, double)>;

std::string_view reasonPhrase(int status);

struct Limits
{
    std::chrono::milliseconds idle{10000};    // for a request's first byte
    std::chrono::milliseconds request{10000}; // from that byte to the end of its body
    std::chrono::milliseconds send{30000};    // for each piece of a reply to leave
    std::size_t headBytes = 256 * 1024;       // long enough for the 100 KB values a careless caller sends
    std::size_t bodyBytes = 1024 * 1024;      // skipped unread; larger ones are refused
    // Each thread serves its share of the connections, a handler at a time. Well above the cores:
    // handlers block (SQLite, files, MP3 making), and one slow one should hold up few others.
    unsigned threads = 64;
};

class Server
{
public:
    explicit Server(Handler handler);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    void setLogger(Logger logger) { m_logger = std::move(logger); }
    // Before run(); the sizes and times before bind().
    void setLimits(const Limits &limits) { m_limits = limits; }
    // Binds and listens; port 0 picks a free one. Returns the port, or -1 with error set.
    int bind(const std::string &address, int port, std::string &error);
    // Serves until stop(); returns once every connection has ended.
    void run();
    // Safe to call from any thread, more than once.
    void stop();

private:
    friend class Connection;
    struct Engine;
    void accept();

    Handler m_handler;
    Logger m_logger;
    Limits m_limits;
    std::unique_ptr<Engine> m_engine;
};

} // namespace httpServer
