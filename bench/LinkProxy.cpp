// The delaying, counting proxy of the far-station benchmark.
#include "LinkProxy.h"

#include <QFile>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

struct TLinkProxy::Link
{
    int client = -1;
    int server = -1;
    // The server has sent something since the program last sent: the program's next bytes
    // are a new request it waited for.
    bool serverSpoke = true;
    // The program's bytes since the server last spoke have not yet been counted as a round trip:
    // the first whole message of them is (unless it is the goodbye, which waits for nothing).
    bool requestStarts = false;
    bool started = false; // the start-up packet (after any SSL or GSS request) has passed
    QByteArray pending;   // the program's bytes not yet split into messages
    std::mutex mutex;
    ~Link()
    {
        if (client >= 0) ::close(client);
        if (server >= 0) ::close(server);
    }
};

TLinkProxy::Counts TLinkProxy::Counts::operator-(const Counts& earlier) const
{
    Counts d = *this;
    d.roundTrips -= earlier.roundTrips;
    d.statements -= earlier.statements;
    d.connections -= earlier.connections;
    d.bytesToServer -= earlier.bytesToServer;
    d.bytesFromServer -= earlier.bytesFromServer;
    for (const auto& [type, n] : earlier.messages)
        d.messages[type] -= n;
    return d;
}

TLinkProxy::TLinkProxy(QString serverSocket, int oneWayMs)
    : m_serverSocket(std::move(serverSocket)), m_oneWayMs(oneWayMs)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listen, 512);
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

TLinkProxy::~TLinkProxy()
{
    m_stop = true;
    ::shutdown(m_listen, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listen);
    for (std::thread& t : m_threads)
        t.detach(); // each ends when its connection does
}

TLinkProxy::Counts TLinkProxy::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

void TLinkProxy::acceptLoop()
{
    while (!m_stop) {
        const int client = ::accept(m_listen, nullptr, nullptr);
        if (client < 0) {
            if (m_stop) return;
            continue;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_threads.emplace_back([this, client] { serve(client); });
    }
}

void TLinkProxy::serve(int client)
{
    auto link = std::make_shared<Link>();
    link->client = client;
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    link->server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_serverSocket);
    std::strncpy(a.sun_path, path.constData(), sizeof a.sun_path - 1);
    if (::connect(link->server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_counts.connections;
        ++m_counts.roundTrips; // the TCP handshake a real link pays before the first byte
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * m_oneWayMs));
    std::thread up([this, link] { pump(link, link->client, link->server, true); });
    pump(link, link->server, link->client, false);
    up.join();
}

// Reads chunks from `from` and writes each to `to` once it has been held m_oneWayMs: a reader
// and a writer, so that chunks in flight are held side by side as on a real link.
void TLinkProxy::pump(const std::shared_ptr<Link>& link, int from, int to, bool toServer)
{
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::pair<Clock::time_point, QByteArray>> queue;
    bool ended = false;
    std::thread writer([&] {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return !queue.empty() || ended; });
            if (queue.empty()) {
                ::shutdown(to, SHUT_WR);
                return;
            }
            auto [due, bytes] = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(due);
            qsizetype done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::send(to, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
                if (n <= 0) break;
                done += n;
            }
        }
    });
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(from, buf, sizeof buf, 0);
        if (n <= 0) break;
        const auto due = Clock::now() + std::chrono::milliseconds(m_oneWayMs);
        if (toServer) {
            count(*link, buf, long(n));
        } else {
            std::lock_guard<std::mutex> lock(link->mutex);
            link->serverSpoke = true;
            std::lock_guard<std::mutex> total(m_mutex);
            m_counts.bytesFromServer += n;
        }
        std::lock_guard<std::mutex> lock(mutex);
        queue.emplace_back(due, QByteArray(buf, qsizetype(n)));
        ready.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        ready.notify_one();
    }
    writer.join();
}

static quint32 readInt32(const char* p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8) |
           quint32(quint8(p[3]));
}

void TLinkProxy::count(Link& link, const char* data, long n)
{
    std::lock_guard<std::mutex> lock(link.mutex);
    std::lock_guard<std::mutex> total(m_mutex);
    m_counts.bytesToServer += n;
    if (link.serverSpoke) {
        link.requestStarts = true;
        link.serverSpoke = false;
    }
    const auto message = [&](char type) {
        ++m_counts.messages[type];
        if (link.requestStarts && type != 'X') {
            ++m_counts.roundTrips;
            link.requestStarts = false;
        }
    };
    link.pending.append(data, n);
    for (;;) {
        const QByteArray& p = link.pending;
        if (!link.started) {
            // untyped: the length, then the protocol number or the request code
            if (p.size() < 8) return;
            const quint32 len = readInt32(p.constData());
            if (quint32(p.size()) < len) return;
            const quint32 code = readInt32(p.constData() + 4);
            if (code != 80877103 && code != 80877104) // SSLRequest, GSSENCRequest
                link.started = true;
            message('0');
            link.pending.remove(0, qsizetype(len));
            continue;
        }
        if (p.size() < 5) return;
        const char type = p.at(0);
        const quint32 len = readInt32(p.constData() + 1);
        if (quint32(p.size()) < len + 1) return;
        message(type);
        if (type == 'Q' || type == 'E')
            ++m_counts.statements;
        link.pending.remove(0, qsizetype(len) + 1);
    }
}
