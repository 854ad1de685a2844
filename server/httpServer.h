#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A small HTTP/1.1 server: one thread per connection, keep-alive, the request target handed over
// exactly as it arrived. The client writes raw bytes, bare '%' and several '?' into its targets
// ("artist=Who Knows?"), which general-purpose libraries refuse or decode before we can see them.
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

class Server
{
public:
    explicit Server(Handler handler);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    void setLogger(Logger logger) { m_logger = std::move(logger); }
    // Binds and listens; port 0 picks a free one. Returns the port, or -1 with error set.
    int bind(const std::string &address, int port, std::string &error);
    // Serves until stop(); returns once every connection has ended.
    void run();
    // Safe to call from any thread, more than once.
    void stop();

private:
    void serveConnection(int fd);
    // Reads, answers and logs one request; false when the connection is to end.
    bool serveRequest(int fd, std::string &buffer);
    // Skips the body, then lets the handler answer; false when the peer left before the body came.
    bool answer(int fd, std::string &buffer, const Request &request, Response &response, bool &keepAlive);
    bool writeResponse(int fd, const Request &request, const Response &response, bool keepAlive);

    Handler m_handler;
    Logger m_logger;
    int m_listenFd = -1;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::set<int> m_connections;
};

} // namespace httpServer
