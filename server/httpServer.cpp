#include "httpServer.h"

#include "textCodec.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace httpServer {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using ErrorCode = boost::system::error_code;

namespace {

constexpr size_t readChunk = 4096;
constexpr size_t streamPiece = 256 * 1024;
// How long a closing connection reads away what the peer still sends.
constexpr std::chrono::milliseconds lingerTime{2000};

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

// Looks from `from` on: the caller has seen no end before it.
HeadEnd findHeadEnd(std::string_view buffer, size_t from)
{
    HeadEnd end{buffer.find("\r\n\r\n", from), 4};
    const size_t bare = buffer.find("\n\n", from);
    if (bare != std::string::npos && (!end.found() || bare < end.at))
        end = {bare, 2};
    return end;
}

bool wantsKeepAlive(const Request &request)
{
    const std::string connection = textCodec::toLowerAscii(request.header("Connection"));
    return request.version == "HTTP/1.1" ? connection.find("close") == std::string::npos
                                         : connection.find("keep-alive") != std::string::npos;
}

std::string responseHead(const Response &response, bool keepAlive)
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
    return head;
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
    case 206:
        return "Partial Content";
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
    case 416:
        return "Range Not Satisfiable";
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

class Connection;

struct Server::Engine
{
    std::mutex mutex;
    std::unordered_map<Connection *, std::weak_ptr<Connection>> connections;
    std::atomic<bool> stopping{false};
    std::mutex running; // held by run(), so the destructor waits for it

    // Accepting and the deadline sweep have a thread of their own, so a busy handler never keeps a
    // new connection waiting to be taken.
    asio::io_context acceptorIo{1};
    tcp::acceptor acceptor{acceptorIo};
    asio::steady_timer retry{acceptorIo}; // after running out of file descriptors
    asio::steady_timer sweeper{acceptorIo};

    // One context per serving thread, each connection on one of them for its life: no hand-over
    // between threads, no strands, no locks on the way of a request. Declared after the
    // connections: the work they still hold unregisters itself there when they go.
    std::vector<std::unique_ptr<asio::io_context>> workers;
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> idleWork; // under mutex
    std::size_t nextWorker = 0;

    // Four times a second: ends the connections past their deadline.
    void sweep();
};

// One connection: its requests one after the other, each step an asynchronous operation on its
// worker's context. The handler runs on that worker's thread between those steps.
class Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(Server &server, tcp::socket socket)
        : m_server(server), m_engine(*server.m_engine), m_socket(std::move(socket))
    {
    }
    ~Connection()
    {
        std::lock_guard lock(m_engine.mutex);
        m_engine.connections.erase(this);
    }

    void start()
    {
        {
            std::lock_guard lock(m_engine.mutex);
            m_engine.connections.emplace(this, weak_from_this());
        }
        if (m_engine.stopping) // taken while stop() was looking the other way
            return close();
        asio::dispatch(m_socket.get_executor(), [self = shared_from_this()] { self->nextRequest(); });
    }

    // From any thread: whatever the connection waits for ends, and with it the connection. With
    // onlyIfLate, only when it is still past its deadline once its turn comes.
    void close(bool onlyIfLate = false)
    {
        asio::post(m_socket.get_executor(), [self = shared_from_this(), onlyIfLate] {
            if (!onlyIfLate || self->isLate(Clock::now()))
                self->shut(tcp::socket::shutdown_both);
        });
    }

    bool isLate(Clock::time_point now) const
    {
        const Clock::rep deadline = m_deadline.load(std::memory_order_relaxed);
        return deadline != 0 && deadline < now.time_since_epoch().count();
    }

private:
    const Limits &limits() const { return m_server.m_limits; }
    std::string_view buffered() const
    {
        return {static_cast<const char *>(m_buffer.data().data()), m_buffer.size()};
    }

    void nextRequest()
    {
        m_request = Request();
        m_response = Response();
        m_keepAlive = false;
        m_scanned = 0;
        // The idle time runs until the first byte; from there the whole request has one deadline,
        // which no trickle of bytes puts off.
        m_requestStarted = false;
        setDeadline(limits().idle);
        readHead();
    }

    void readHead()
    {
        const std::string_view data = buffered();
        if (!data.empty() && !m_requestStarted) {
            m_requestStarted = true;
            setDeadline(limits().request);
        }
        const HeadEnd end = findHeadEnd(data, m_scanned < 3 ? 0 : m_scanned - 3);
        m_scanned = data.size();
        // The bound holds however the bytes came: all at once, the head's end is already in them.
        if (end.found() && end.at <= limits().headBytes)
            return takeHead(end);
        if (end.found() || data.size() > limits().headBytes) {
            m_started = Clock::now();
            m_response.setText(431, "request head too long\r\n");
            return write();
        }
        m_socket.async_read_some(m_buffer.prepare(std::max(readChunk, data.size())),
                                 [self = shared_from_this()](ErrorCode error, size_t got) {
                                     if (error)
                                         return; // closed, failed or out of time: the connection ends
                                     self->m_buffer.commit(got);
                                     self->readHead();
                                 });
    }

    void takeHead(HeadEnd end)
    {
        m_started = Clock::now();
        const bool parsed = parseHead(buffered().substr(0, end.at), m_request);
        m_buffer.consume(end.at + end.blankLine);
        if (!parsed) {
            m_response.setText(400, "bad request\r\n");
            return write();
        }
        // We take no bodies; skip a small one, refuse the rest.
        if (!m_request.header("Transfer-Encoding").empty()) {
            m_response.setText(501, "request bodies are not taken\r\n");
            return write();
        }
        const std::string lengthText = m_request.header("Content-Length");
        m_bodyLeft = lengthText.empty() ? 0 : std::strtoull(lengthText.c_str(), nullptr, 10);
        if (m_bodyLeft > limits().bodyBytes) {
            m_response.setText(413, "request body too large\r\n");
            return write();
        }
        skipBody();
    }

    void skipBody()
    {
        const size_t skipped = size_t(std::min<std::uint64_t>(m_bodyLeft, m_buffer.size()));
        m_buffer.consume(skipped);
        m_bodyLeft -= skipped;
        if (m_bodyLeft == 0)
            return answer();
        m_socket.async_read_some(m_buffer.prepare(size_t(std::min<std::uint64_t>(m_bodyLeft, 16384))),
                                 [self = shared_from_this()](ErrorCode error, size_t got) {
                                     if (error)
                                         return;
                                     self->m_buffer.commit(got);
                                     self->skipBody();
                                 });
    }

    void answer()
    {
        m_deadline = 0;
        m_keepAlive = wantsKeepAlive(m_request) && !m_engine.stopping;
        if (m_request.method != "GET" && m_request.method != "HEAD") {
            m_response.setText(405, "only GET is served here\r\n");
            return write();
        }
        try {
            m_server.m_handler(m_request, m_response);
        } catch (const std::exception &e) {
            m_response = Response();
            m_response.setText(500, std::string("internal error: ") + e.what() + "\r\n");
        }
        write();
    }

    void write()
    {
        m_head = responseHead(m_response, m_keepAlive);
        m_sent = 0;
        if (m_request.method == "HEAD")
            return send({asio::buffer(m_head)}, true);
        if (!m_response.stream)
            return send({asio::buffer(m_head), asio::buffer(m_response.text())}, true);
        sendPiece();
    }

    // The next piece of a produced body, the head with the first. A producer that fails leaves the
    // peer a short body, and a short body says it failed.
    void sendPiece()
    {
        const std::uint64_t length = m_response.streamLength;
        const bool withHead = m_sent == 0;
        m_piece.clear();
        bool produced = false;
        if (m_sent < length) {
            const auto want = size_t(std::min<std::uint64_t>(streamPiece, length - m_sent));
            try {
                produced = m_response.stream(m_sent, want, m_piece) && !m_piece.empty();
            } catch (const std::exception &) {
            }
            if (m_piece.size() > want)
                m_piece.resize(want);
        }
        m_sent += m_piece.size();
        const bool last = !produced || m_sent >= length;
        if (withHead)
            send({asio::buffer(m_head), asio::buffer(m_piece)}, last, produced || length == 0);
        else if (produced)
            send({asio::buffer(m_piece), asio::const_buffer()}, last);
        else
            finish(false);
    }

    void send(std::array<asio::const_buffer, 2> buffers, bool last, bool good = true)
    {
        setDeadline(limits().send);
        asio::async_write(m_socket, buffers,
                          [self = shared_from_this(), last, good](ErrorCode error, size_t) {
                              if (error)
                                  self->finish(false);
                              else if (!last)
                                  self->sendPiece();
                              else
                                  self->finish(good);
                          });
    }

    void finish(bool written)
    {
        if (const Logger &logger = m_server.m_logger) {
            const std::chrono::duration<double, std::milli> spent = Clock::now() - m_started;
            logger(m_request, m_response, spent.count());
        }
        if (written && m_keepAlive && !m_engine.stopping)
            return nextRequest();
        // Bytes of the peer's left unread would turn the close into a reset, which can throw the
        // reply away before the peer reads it (a refused head still arriving): read them away until
        // the peer closes or a short while has passed.
        if (m_engine.stopping)
            return shut(tcp::socket::shutdown_both);
        ErrorCode ignored;
        m_socket.shutdown(tcp::socket::shutdown_send, ignored);
        setDeadline(lingerTime);
        drain();
    }

    void drain()
    {
        m_buffer.clear();
        m_socket.async_read_some(m_buffer.prepare(readChunk),
                                 [self = shared_from_this()](ErrorCode error, size_t) {
                                     if (error)
                                         return self->shut(tcp::socket::shutdown_both);
                                     self->drain();
                                 });
    }

    void shut(tcp::socket::shutdown_type how)
    {
        m_deadline = 0;
        ErrorCode ignored;
        m_socket.shutdown(how, ignored);
        m_socket.close(ignored);
    }

    // Kept by the engine's sweep rather than a timer per connection: arming a timer for every read
    // and write costs more than the reads and writes on loopback.
    void setDeadline(std::chrono::milliseconds after)
    {
        m_deadline.store((Clock::now() + after).time_since_epoch().count(), std::memory_order_relaxed);
    }

    Server &m_server;
    Server::Engine &m_engine;
    tcp::socket m_socket;
    std::atomic<Clock::rep> m_deadline{0}; // 0 while the handler works: it has no deadline
    beast::flat_buffer m_buffer;
    size_t m_scanned = 0; // bytes looked through for the head's end
    bool m_requestStarted = false;
    Request m_request;
    Response m_response;
    bool m_keepAlive = false;
    std::uint64_t m_bodyLeft = 0;
    std::string m_head, m_piece;
    std::uint64_t m_sent = 0;
    Clock::time_point m_started;
};

void Server::Engine::sweep()
{
    sweeper.expires_after(std::chrono::milliseconds(250));
    sweeper.async_wait([this](ErrorCode error) {
        if (error || stopping)
            return;
        const Clock::time_point now = Clock::now();
        std::vector<std::shared_ptr<Connection>> late;
        {
            std::lock_guard lock(mutex);
            for (const auto &[connection, weak] : connections)
                if (connection->isLate(now))
                    if (auto alive = weak.lock())
                        late.push_back(std::move(alive));
        }
        for (const auto &connection : late)
            connection->close(true);
        sweep();
    });
}

Server::Server(Handler handler) : m_handler(std::move(handler)), m_engine(std::make_unique<Engine>()) {}

Server::~Server()
{
    stop();
    std::lock_guard waitForRun(m_engine->running);
}

int Server::bind(const std::string &address, int port, std::string &error)
{
    ErrorCode failure;
    const asio::ip::address_v4 ip = asio::ip::make_address_v4(address, failure);
    if (failure || port < 0 || port > 65535) {
        error = "not an IPv4 address and port: " + address + ':' + std::to_string(port);
        return -1;
    }
    tcp::acceptor &acceptor = m_engine->acceptor;
    const tcp::endpoint endpoint(ip, std::uint16_t(port));
    acceptor.open(endpoint.protocol(), failure);
    if (!failure)
        acceptor.set_option(tcp::acceptor::reuse_address(true), failure);
    if (!failure)
        acceptor.bind(endpoint, failure);
    if (!failure)
        acceptor.listen(asio::socket_base::max_listen_connections, failure);
    if (failure) {
        error = "cannot listen on " + address + ':' + std::to_string(port) + ": " + failure.message();
        return -1;
    }
    return acceptor.local_endpoint().port();
}

// On the acceptor's thread, like everything else that touches the acceptor.
void Server::accept()
{
    Engine &engine = *m_engine;
    asio::io_context &worker = *engine.workers[engine.nextWorker++ % engine.workers.size()];
    engine.acceptor.async_accept(worker.get_executor(), [this, &engine](ErrorCode error, tcp::socket socket) {
        if (!engine.acceptor.is_open())
            return;
        if (!error) {
            ErrorCode ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            std::make_shared<Connection>(*this, std::move(socket))->start();
            return accept();
        }
        // Out of descriptors, or the peer left before we took it: again shortly, without spinning.
        engine.retry.expires_after(std::chrono::milliseconds(10));
        engine.retry.async_wait([this](ErrorCode) { accept(); });
    });
}

void Server::run()
{
    Engine &engine = *m_engine;
    std::lock_guard running(engine.running);
    const unsigned threads = std::max(1u, m_limits.threads);
    {
        std::lock_guard lock(engine.mutex);
        if (engine.stopping || !engine.workers.empty())
            return;
        for (unsigned i = 0; i < threads; ++i) {
            engine.workers.push_back(std::make_unique<asio::io_context>(1));
            engine.idleWork.push_back(asio::make_work_guard(*engine.workers.back()));
        }
    }
    asio::post(engine.acceptorIo, [this] {
        accept();
        m_engine->sweep();
    });
    std::vector<std::thread> threadsRunning;
    for (const auto &worker : engine.workers)
        threadsRunning.emplace_back([&worker] { worker->run(); });
    engine.acceptorIo.run();
    for (std::thread &thread : threadsRunning)
        thread.join();
}

void Server::stop()
{
    Engine &engine = *m_engine;
    if (engine.stopping.exchange(true))
        return;
    asio::post(engine.acceptorIo, [&engine] {
        ErrorCode ignored;
        engine.acceptor.close(ignored);
        engine.retry.cancel();
        engine.sweeper.cancel();
    });
    std::vector<std::shared_ptr<Connection>> open;
    {
        std::lock_guard lock(engine.mutex);
        engine.idleWork.clear();
        for (const auto &[connection, weak] : engine.connections)
            if (auto alive = weak.lock())
                open.push_back(std::move(alive));
    }
    for (const auto &connection : open)
        connection->close();
}

} // namespace httpServer
