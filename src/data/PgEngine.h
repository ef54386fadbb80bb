// The server engine: a PostgreSQL database named by DB/server.conf, shared by every station that
// reaches the server; sign-in locks are the server's session-level advisory locks.
#pragma once

#include "Engine.h"
#include "SignInLock.h"

#include <QSet>

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

    explicit TAdvisorySignInLock(QString connectionName) : m_connection(std::move(connectionName)) {}
    bool tryLock(int pupilId) override;
    void release(int pupilId) override;
    void releaseAll() override;
    bool isHeld(int pupilId) const override { return m_held.contains(pupilId); }
    // The connection closed: the server has dropped every lock.
    void forget() { m_held.clear(); }

private:
    QString m_connection;
    QSet<int> m_held;
};

class TPgEngine final : public TEngine
{
public:
    explicit TPgEngine(TServerConfig config);
    ~TPgEngine() override;

    QString kind() const override { return QStringLiteral("postgres"); }
    void open(const QString& connectionName) override;
    void close() override;
    QSqlDatabase database() const override;
    QVariant bindValue(const QVariant& value) const override;
    QVariant lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField) override;
    TSignInLock& signInLock() override { return *m_lock; }
    QString errorText(const QSqlError& error) const override;
    QString czechCollation() const override { return m_czechCollation; }

    const TServerConfig& config() const { return m_config; }

    // How long a statement waits for a row another station holds before it gives up, and how
    // long the connection is tried, in the units the server takes.
    static constexpr int LockTimeoutMs = 5000;
    static constexpr int ConnectTimeoutSeconds = 10;

    // Opens a QPSQL connection to the server of `config` under `connectionName` (used by the
    // engine and by the tools that load a server database); throws TError with the Czech message.
    static QSqlDatabase connect(const TServerConfig& config, const QString& connectionName);

private:
    TServerConfig m_config;
    QString m_connection;
    std::unique_ptr<TAdvisorySignInLock> m_lock;
    QString m_czechCollation;
};
