// A slow link of the benchmark's own: a proxy on the loopback interface between the program and
// its PostgreSQL server that holds every chunk of bytes a fixed time in each direction, and
// counts what the program sends (the messages of the server's protocol, by type) and how many
// times it waits for the server's answer (round trips).
#pragma once

#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TLinkProxy
{
public:
    struct Counts
    {
        // Times the program sent after the server had answered: each is one wait for an answer.
        // A new connection adds one for its handshake, which the proxy also holds.
        long long roundTrips = 0;
        // Statements sent: simple queries ('Q') and executions of the extended protocol ('E').
        long long statements = 0;
        long long connections = 0;
        long long bytesToServer = 0;
        long long bytesFromServer = 0;
        std::map<char, long long> messages;
        Counts operator-(const Counts& earlier) const;
    };

    // `serverSocket`: the path of the server's Unix socket. `oneWayMs`: the hold per direction.
    TLinkProxy(QString serverSocket, int oneWayMs);
    ~TLinkProxy();
    TLinkProxy(const TLinkProxy&) = delete;
    TLinkProxy& operator=(const TLinkProxy&) = delete;

    int port() const { return m_port; }
    Counts counts() const;

private:
    struct Link;
    void acceptLoop();
    void serve(int client);
    void pump(const std::shared_ptr<Link>& link, int from, int to, bool toServer);
    void count(Link& link, const char* data, long n);

    QString m_serverSocket;
    int m_oneWayMs;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    Counts m_counts;
    std::vector<std::thread> m_threads;
};
