// The few things in which the database engines differ, behind one small interface:
// how the connection is made, how a key assigned on insert is read back, how values are bound,
// how the sign-in lock is taken and how engine errors read to the user.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <QHash>

#include <memory>

class QSqlError;
class QSqlQuery;
class TSignInLock;

class TEngine
{
public:
    virtual ~TEngine() = default;

    // "sqlite" or "postgres".
    virtual QString kind() const = 0;
    // Opens the named connection; throws TError with the engine's own message on failure.
    virtual void open(const QString& connectionName) = 0;
    virtual void close() = 0;
    // The open connection; an invalid one while the engine is closed.
    QSqlDatabase database() const { return QSqlDatabase::database(m_connection, false); }

    // The value to bind for a parameter. A TIMESTAMP holds the station's wall-clock time, so a
    // date-time is bound as text: bound with its zone, a server would shift it into its own.
    QVariant bindValue(const QVariant& value) const;
    // The key that the last insert on this connection was given.
    virtual QVariant lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField) = 0;
    // The station's sign-in lock for this database.
    virtual TSignInLock& signInLock() = 0;
    // The text the user sees for a failed statement.
    virtual QString errorText(const QSqlError& error) const;
    // A COLLATE clause (with a leading blank) that orders text as Czech does ("ch" after "h",
    // "č" after "c"), for the ORDER BY of names; empty where the database offers none.
    virtual QString czechCollation() const { return QString(); }

    // A statement prepared on this connection for the (positional) text. An engine that keeps its
    // statements (a server, where every preparation and every release is a round trip of its
    // own) prepares each text once per connection and hands out the same statement again; the
    // caller runs it and reads it to its end before the next use of the same text. Throws TError
    // when the database refuses the text.
    QSqlQuery preparedStatement(const QString& text);
    // True when a statement for the text is kept already.
    bool hasPreparedStatement(const QString& text) const { return m_prepared.contains(text); }
    // Drops the kept statement of the text (one that failed: the next use prepares it anew).
    void forgetPreparedStatement(const QString& text) { m_prepared.remove(text); }

    // True when the database this station opened was replaced under it (a new bank moved into
    // place): nothing it writes can reach the database any more.
    virtual bool replaced() const { return false; }

    // Every wait for the database runs inside one of these: before it, an engine whose
    // connection was lost connects anew (never inside a transaction, which went with the
    // connection) and takes its sign-in locks back; during it, the wait is bounded. Throws TError
    // with the user's text when the database cannot be had.
    class TCall
    {
    public:
        explicit TCall(TEngine& engine) : m_engine(engine) { engine.enterCall(); }
        ~TCall() { m_engine.leaveCall(); }
        TCall(const TCall&) = delete;
        TCall& operator=(const TCall&) = delete;

    private:
        TEngine& m_engine;
    };

    // The one transaction policy of every writer: begin() and commit() throw TError with the
    // user's text; rollback() never throws (a lost connection has rolled back already).
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return m_inTransaction; }

    // Chooses the engine by what the database directory holds: a server file names a
    // PostgreSQL server, otherwise the SQLite file is used.
    static std::unique_ptr<TEngine> forDirectory(const QString& dbDir);
    // Loads the driver library of the engine that forDirectory() would choose, without connecting.
    static void preloadDriver(const QString& dbDir);

protected:
    // The name of the engine's connection on Qt's list of connections; empty while closed.
    QString m_connection;
    // Closes the connection and takes it off Qt's list; its name stays, to connect anew under it.
    void removeConnection();
    // Closes the connection and forgets its name; nothing while the engine is closed.
    void closeConnection();

    virtual void enterCall() {}
    virtual void leaveCall() {}
    // False when the connection is known to be gone (nothing more can be sent on it).
    virtual bool connectionUsable() const { return true; }
    virtual bool keepsPreparedStatements() const { return false; }
    // Before the connection closes: the kept statements belong to it.
    void forgetPreparedStatements() { m_prepared.clear(); }

private:
    bool m_inTransaction = false;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
    static constexpr int MaxPreparedStatements = 200;
    // The server file that names a PostgreSQL server, where there is one.
    static QString serverFile(const QString& dbDir);
};

// The SQLite database file and the sign-in lock file inside the database directory.
inline constexpr const char* SqliteFileName = "ferdano.db";
inline constexpr const char* LockFileName = "ferdano.lck";
// A text file in the database directory that names a PostgreSQL server.
inline constexpr const char* ServerFileName = "server.conf";
