// The server engine: a PostgreSQL database named by DB/server.conf, shared by every station that
// reaches the server; sign-in locks are the server's session-level advisory locks.
#pragma once

#include "Engine.h"
#include "ServerWatch.h"
#include "SignInLock.h"

#include <QSet>

#include <optional>

// What DB/server.conf names. The file holds name=value lines; blank lines and lines starting with
// '#' are ignored:
//   host      a host name, an address, or the directory of the server's Unix socket (required)
//   port      the server's port (default 5432)
//   database  the database (required)
//   user      the role to connect as (default: the libpq default, the name of the system user)
// The password is never in this file: libpq reads it from ~/.pgpass or the file PGPASSFILE names.
struct TServerConfig
{
    QString host;
    int port = 5432;
    QString database;
    QString user;

    // Reads the text of a server file; throws TError with the Czech message naming `fileName`.
    static TServerConfig parse(const QString& text, const QString& fileName);
    // Reads the file; throws TError when it cannot be read or is malformed.
    static TServerConfig read(const QString& path);
    // The file's text for these settings.
    QString toText() const;
};

// Session-level advisory locks in the two-key form (class, ID_ZAK), so that our keys do not meet
// the one-key locks or other classes of other users of the same server. They are taken on the
// data module's own connection: the lock then lives exactly as long as the station is connected,
// the server drops it when that connection closes, the station ends or the link is lost, and a
// station can never write without holding its lock; a second connection per station would double
// the server's connections and could outlive or die before the one that writes.
class TAdvisorySignInLock final : public TSignInLock
{
public:
    // "FRDN" read as a number: the class of our locks on the server.
    static constexpr int LockClass = 0x4652444e;

    // `engine`, where given, is the engine of the connection: the lock's statements then wait
    // for the server as its other statements do, and connect anew after a lost connection.
    explicit TAdvisorySignInLock(QString connectionName, TEngine* engine = nullptr)
        : m_connection(std::move(connectionName)), m_engine(engine)
    {
    }
    bool tryLock(int pupilId) override;
    void release(int pupilId) override;
    void releaseAll() override;
    bool isHeld(int pupilId) const override { return m_held.contains(pupilId); }
    bool confirm(int pupilId) override;
    // The connection closed: the server has dropped every lock.
    void forget()
    {
        m_held.clear();
        m_lost.clear();
    }
    // The connection was lost: the locks it held are to be taken back on the next one.
    void connectionLost()
    {
        m_lost += m_held;
        m_held.clear();
    }
    // Takes back the locks lost with a connection. `previousSession` is the server process of
    // the lost connection: while it still holds a lock (the server has not yet noticed that the
    // connection is gone) the lock stays to be taken back, and confirm() says so; a lock that
    // another station took meanwhile is given up.
    void retake(int previousSession, const QString& previousStart);
    bool hasLost() const { return !m_lost.isEmpty(); }

private:
    bool run(const char* function, int pupilId);
    // Whether the lock is held by the server process `session` that started at `started`
    // (true), by another (false), or by nobody (empty).
    std::optional<bool> heldBySession(int pupilId, int session, const QString& started);

    QString m_connection;
    TEngine* m_engine;
    QSet<int> m_held;
    QSet<int> m_lost;
};

class TPgEngine final : public TEngine
{
public:
    explicit TPgEngine(TServerConfig config);
    ~TPgEngine() override;

    QString kind() const override { return QStringLiteral("postgres"); }
    void open(const QString& connectionName) override;
    void close() override;
    QVariant lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField) override;
    TSignInLock& signInLock() override { return *m_lock; }
    QString errorText(const QSqlError& error) const override;
    QString czechCollation() const override { return m_czechCollation; }

    const TServerConfig& config() const { return m_config; }
    // Ends the current connection as a lost one (tests use it to act out a lost link).
    void dropConnection();

    // How long a statement waits for a row another station holds before it gives up, and how
    // long the connection is tried, in the units the server takes.
    static constexpr int LockTimeoutMs = 5000;
    static constexpr int ConnectTimeoutSeconds = 10;
    // The longest the server may work on one statement, and the longest the station waits for
    // any answer of the server before it gives the connection up as lost.
    static constexpr int StatementTimeoutMs = 8000;
    static constexpr int DefaultCallBoundMs = 10000;
    // Tests shorten the station's wait.
    static void setCallBoundForTests(int ms) { s_callBoundMs = ms; }

    // Opens a QPSQL connection to the server of `config` under `connectionName` (used by the
    // engine and by the tools that load a server database); throws TError with the Czech message.
    static QSqlDatabase connect(const TServerConfig& config, const QString& connectionName);

protected:
    void enterCall() override;
    void leaveCall() override;
    bool connectionUsable() const override { return !m_lost; }
    bool keepsPreparedStatements() const override { return true; }

private:
    // Sets the session up; true when the database holds the program's tables. Throws TError.
    bool configureSession();
    void reconnect();

    TServerConfig m_config;
    std::unique_ptr<TAdvisorySignInLock> m_lock;
    QString m_czechCollation;
    TServerWatchdog m_watchdog;
    int m_callDepth = 0;
    bool m_reconnecting = false;
    bool m_lost = false;      // the connection is gone; the next call outside a transaction connects anew
    bool m_timedOut = false;  // ... because the server did not answer within the bound
    int m_session = 0;        // the server process of the current connection and its start
    QString m_sessionStart;
    int m_lostSession = 0;    // ... and of the lost one, until its locks are all taken back
    QString m_lostSessionStart;
    static inline int s_callBoundMs = DefaultCallBoundMs;
};
