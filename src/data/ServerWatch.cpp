// The watchdog on waits for the server, and the few client-library calls it needs.
#include "ServerWatch.h"

#include "Platform.h"

#include <QSqlDriver>
#include <QVariant>

TServerWatchdog::TServerWatchdog() : m_thread([this] { run(); }) {}

TServerWatchdog::~TServerWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TServerWatchdog::arm(int socket, std::chrono::milliseconds bound)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_socket = socket;
        m_armed = socket >= 0;
        m_fired = false;
        m_deadline = std::chrono::steady_clock::now() + bound;
    }
    m_wake.notify_all();
}

bool TServerWatchdog::disarm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed = false;
    m_socket = -1;
    return std::exchange(m_fired, false);
}

bool TServerWatchdog::fired() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fired;
}

void TServerWatchdog::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (!m_armed) {
            m_wake.wait(lock);
            continue;
        }
        const auto deadline = m_deadline;
        if (m_wake.wait_until(lock, deadline) == std::cv_status::timeout && m_armed && !m_stop &&
            m_deadline == deadline) {
            // The socket stays open while it is armed: the caller is inside the blocking call and
            // disarms only after it has returned, under this mutex.
            Platform::shutdownSocket(m_socket);
            m_fired = true;
            m_armed = false;
        }
    }
}

namespace {

using PQsocketFn = int (*)(const void*);
using PQstatusFn = int (*)(const void*);
using PQconsumeInputFn = int (*)(void*);
constexpr int ConnectionOk = 0; // CONNECTION_OK

template <typename Fn> Fn clientFunction(const char* name)
{
    return reinterpret_cast<Fn>(Platform::loadedFunction(Platform::Library::PgClient, name));
}

const void* connectionHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // the driver declares the type by its struct's name; PGconn is its typedef
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

} // namespace

int PgConnection::socket(const QSqlDatabase& db)
{
    static const auto fn = clientFunction<PQsocketFn>("PQsocket");
    const void* conn = connectionHandle(db);
    return fn && conn ? fn(conn) : -1;
}

bool PgConnection::isGood(const QSqlDatabase& db)
{
    static const auto fn = clientFunction<PQstatusFn>("PQstatus");
    static const auto consume = clientFunction<PQconsumeInputFn>("PQconsumeInput");
    const void* conn = connectionHandle(db);
    if (!conn)
        return false;
    // A server that ends the session says so and closes its end; the client library learns of the
    // close only when it reads again, which the failed statement need not have made it do. Reading
    // what has arrived (nothing is waited for) lets it see the end now.
    if (consume)
        consume(const_cast<void*>(conn));
    return !fn || fn(conn) == ConnectionOk;
}
