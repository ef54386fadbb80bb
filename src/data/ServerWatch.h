// A bound on every wait for the database server. A server that stops answering without closing
// the connection (a frozen backend, a machine that hangs with its network up) leaves a blocking
// call of the client library waiting for as long as the server's kernel acknowledges the bytes:
// neither keepalives nor the server's own statement timeout end it. The watchdog ends such a
// call from outside by shutting the connection's socket down once the bound has passed; the
// call then fails at once as a lost connection, and the engine connects anew for the next one.
#pragma once

#include <QSqlDatabase>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class TServerWatchdog
{
public:
    TServerWatchdog();
    ~TServerWatchdog();
    TServerWatchdog(const TServerWatchdog&) = delete;
    TServerWatchdog& operator=(const TServerWatchdog&) = delete;

    // Starts watching one call on `socket`; a negative socket is not watched.
    void arm(int socket, std::chrono::milliseconds bound);
    // Ends the watch; true when the bound passed and the socket was shut down meanwhile.
    bool disarm();
    // True when the current watch has ended the call (the watch goes on until disarm()).
    bool fired() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_stop = false;
    bool m_armed = false;
    bool m_fired = false;
    int m_socket = -1;
    std::chrono::steady_clock::time_point m_deadline;
};

// What the PostgreSQL client library knows of a QPSQL connection; the library is the one that
// Qt's driver loaded, so nothing links against it at build time.
namespace PgConnection {
// The connection's socket, or -1.
int socket(const QSqlDatabase& db);
// True while the library still regards the connection as good.
bool isGood(const QSqlDatabase& db);
} // namespace PgConnection
