// PostgreSQL engine, its server file and the advisory sign-in lock.
#include "PgEngine.h"

#include "Error.h"
#include "Format.h"
#include "Platform.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>

// ---- the server file ----

TServerConfig TServerConfig::parse(const QString& text, const QString& fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    auto bad = [&](const QString& reason) { return TError(Format(Str::ServerFileBad, {shown, reason})); };
    TServerConfig c;
    QSet<QString> seen;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const int eq = line.indexOf(u'=');
        if (eq <= 0)
            throw bad(Format(Str::ServerFileNotPair, {lineNo}));
        const QString name = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (name == QLatin1String("password") || name == QLatin1String("passwd"))
            throw bad(Format(Str::ServerFilePassword, {lineNo}));
        if (name != QLatin1String("host") && name != QLatin1String("port") &&
            name != QLatin1String("database") && name != QLatin1String("user"))
            throw bad(Format(Str::ServerFileUnknownName, {lineNo, line.left(eq).trimmed()}));
        if (seen.contains(name))
            throw bad(Format(Str::ServerFileTwice, {lineNo, name}));
        seen.insert(name);
        if (value.isEmpty())
            throw bad(Format(Str::ServerFileEmptyValue, {lineNo, name}));
        if (name == QLatin1String("host")) {
            c.host = value;
        } else if (name == QLatin1String("port")) {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                throw bad(Format(Str::ServerFileBadPort, {lineNo, value}));
            c.port = port;
        } else if (name == QLatin1String("database")) {
            c.database = value;
        } else {
            c.user = value;
        }
    }
    if (c.host.isEmpty())
        throw bad(Format(Str::ServerFileMissing, {QStringLiteral("host")}));
    if (c.database.isEmpty())
        throw bad(Format(Str::ServerFileMissing, {QStringLiteral("database")}));
    return c;
}

TServerConfig TServerConfig::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw TError(Format(Str::ServerFileUnreadable, {QDir::toNativeSeparators(path)}));
    const QByteArray bytes = f.read(64 * 1024); // a server file is a few lines; more is not one
    return parse(QString::fromUtf8(bytes), path);
}

QString TServerConfig::toText() const
{
    QString t = QStringLiteral("# The PostgreSQL server of the Ferdano database (password: ~/.pgpass).\n");
    t += QStringLiteral("host=%1\nport=%2\ndatabase=%3\n").arg(host).arg(port).arg(database);
    if (!user.isEmpty())
        t += QStringLiteral("user=%1\n").arg(user);
    return t;
}

static QString serverName(const TServerConfig& c)
{
    return c.host.startsWith(u'/') ? c.host : QStringLiteral("%1:%2").arg(c.host).arg(c.port);
}

// ---- the sign-in lock ----

bool TAdvisorySignInLock::run(const char* function, int pupilId)
{
    std::optional<TEngine::TCall> call;
    if (m_engine)
        call.emplace(*m_engine);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    // Both keys are literal numbers: nothing from outside reaches the statement text.
    if (!q.exec(QStringLiteral("SELECT %1(%2, %3)")
                    .arg(QLatin1String(function))
                    .arg(TAdvisorySignInLock::LockClass)
                    .arg(pupilId)) ||
        !q.next()) {
        if (m_engine)
            throw TError(m_engine->errorText(q.lastError()));
        return false;
    }
    return q.value(0).toBool();
}

std::optional<bool> TAdvisorySignInLock::heldBySession(int pupilId, int session, const QString& started)
{
    std::optional<TEngine::TCall> call;
    if (m_engine)
        call.emplace(*m_engine);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    // The process number alone could by now belong to another station's session.
    q.prepare(QStringLiteral(
        "SELECT COALESCE(a.pid = ? AND a.backend_start::text = ?, false) FROM pg_locks l "
        "LEFT JOIN pg_stat_activity a ON a.pid = l.pid WHERE l.locktype = 'advisory' AND l.granted "
        "AND l.classid::bigint = ? AND l.objid::bigint = ? AND l.objsubid = 2"));
    q.addBindValue(session);
    q.addBindValue(started);
    q.addBindValue(qint64(LockClass));
    q.addBindValue(qint64(pupilId));
    if (!q.exec())
        throw TError(m_engine ? m_engine->errorText(q.lastError()) : q.lastError().text());
    if (!q.next())
        return std::nullopt;
    return q.value(0).toBool();
}

bool TAdvisorySignInLock::tryLock(int pupilId)
{
    if (pupilId < 0)
        return false;
    if (m_held.contains(pupilId))
        return true; // advisory locks count: a second take would need a second release
    if (!run("pg_try_advisory_lock", pupilId))
        return false;
    m_lost.remove(pupilId);
    m_held.insert(pupilId);
    return true;
}

bool TAdvisorySignInLock::confirm(int pupilId)
{
    if (!m_engine)
        return m_held.contains(pupilId);
    // The station learns of a lost connection only by using it: the server is asked whether
    // this session holds the lock. A first failure may be that news; the second attempt then
    // connects anew and takes the lock back (or finds it taken).
    for (int attempt = 0;; ++attempt) {
        try {
            TEngine::TCall call(*m_engine);
            if (m_lost.contains(pupilId))
                throw TError(Str::ServerPreviousSession);
            if (!m_held.contains(pupilId))
                return false;
            const QString held =
                QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND granted "
                               "AND pid = pg_backend_pid() AND classid::bigint = ? AND objid::bigint = ? "
                               "AND objsubid = 2");
            QSqlQuery q = m_engine->preparedStatement(held);
            q.bindValue(0, qint64(LockClass));
            q.bindValue(1, qint64(pupilId));
            if (!q.exec() || !q.next()) {
                m_engine->forgetPreparedStatement(held);
                throw TError(m_engine->errorText(q.lastError()));
            }
            const int count = q.value(0).toInt();
            q.finish();
            if (count == 0)
                m_held.remove(pupilId);
            return m_held.contains(pupilId);
        } catch (const TError&) {
            if (attempt > 0)
                throw;
        }
    }
}

void TAdvisorySignInLock::retake(int previousSession, const QString& previousStart)
{
    for (int id : QSet<int>(m_lost)) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (run("pg_try_advisory_lock", id)) {
                m_lost.remove(id);
                m_held.insert(id);
                break;
            }
            const std::optional<bool> previous = heldBySession(id, previousSession, previousStart);
            if (!previous)
                continue; // released in between: try once more
            if (!*previous)
                m_lost.remove(id); // another station's now
            break;
        }
    }
}

void TAdvisorySignInLock::release(int pupilId)
{
    m_lost.remove(pupilId);
    if (!m_held.remove(pupilId))
        return;
    try {
        run("pg_advisory_unlock", pupilId);
    } catch (const TError&) {
        // a lock that cannot be given back goes with its connection
    }
}

void TAdvisorySignInLock::releaseAll()
{
    const QSet<int> held = m_held;
    for (int id : held)
        release(id);
    m_held.clear();
    m_lost.clear();
}

// ---- the engine ----

TPgEngine::TPgEngine(TServerConfig config) : m_config(std::move(config)) {}

TPgEngine::~TPgEngine()
{
    close();
}

QSqlDatabase TPgEngine::connect(const TServerConfig& config, const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(config.host);
    db.setPort(config.port);
    db.setDatabaseName(config.database);
    if (!config.user.isEmpty())
        db.setUserName(config.user);
    // A server gone from the network is noticed within a minute, and data it does not acknowledge
    // within 30 s ends the connection (the session's settings do the same on the server's side).
    // A server that stops answering with its network up is the watchdog's (TServerWatchdog).
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;application_name=ferdano;keepalives=1;keepalives_idle=30;"
                       "keepalives_interval=10;keepalives_count=3;tcp_user_timeout=30000")
            .arg(ConnectTimeoutSeconds));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        const QString native = e.nativeErrorCode();
        const QString text = e.databaseText().trimmed().isEmpty() ? e.text() : e.databaseText().trimmed();
        const bool noDatabase = text.contains(QLatin1String("does not exist")) &&
                                text.contains(QLatin1String("database"), Qt::CaseInsensitive);
        if (native == QLatin1String("3D000") || noDatabase)
            throw TError(Format(Str::ServerDatabaseMissing, {config.database, serverName(config)}));
        throw TError(Format(Str::ServerUnreachable, {serverName(config), text}));
    }
    return db;
}

void TPgEngine::open(const QString& connectionName)
{
    connect(m_config, connectionName);
    m_connection = connectionName;
    m_lock = std::make_unique<TAdvisorySignInLock>(connectionName, this);
    bool hasTables = false;
    try {
        hasTables = configureSession();
    } catch (const TError& e) {
        close();
        throw TError(Format(Str::ServerUnreachable, {serverName(m_config), e.message()}));
    }
    if (!hasTables) {
        close();
        throw TError(Format(Str::ServerDatabaseEmpty, {m_config.database, serverName(m_config)}));
    }
}

bool TPgEngine::configureSession()
{
    TCall call(*this);
    QSqlQuery q(database());
    // A station that vanishes from the network (a cable pulled, a machine switched off) must not
    // keep its pupil's sign-in lock for the hours the system's keepalive takes: the server probes
    // an idle link after 30 s and drops it after three unanswered probes, or when sent data stays
    // unacknowledged for 30 s; a station that stops in the middle of a transaction loses it
    // after 30 s. Over a Unix socket the server ignores the first ones; a server too old for one
    // of them goes on without it (only the settings it lists are set).
    // Everything is set and asked in one statement: far from the server every statement costs a
    // round trip. Czech order comes from ICU, which a server may have been built without.
    const QString sql =
        QStringLiteral(
            "SELECT to_regclass('zak') IS NOT NULL AND to_regclass('fnkonst') IS NOT NULL, "
            "EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'cs-CZ-x-icu'), "
            "pg_backend_pid(), (SELECT backend_start::text FROM pg_stat_activity WHERE pid = pg_backend_pid()), "
            "(SELECT count(set_config(s.name, v.value, false)) FROM (VALUES "
            "('tcp_keepalives_idle', '30'), ('tcp_keepalives_interval', '10'), ('tcp_keepalives_count', '3'), "
            "('tcp_user_timeout', '30000'), ('idle_in_transaction_session_timeout', '30000'), "
            "('standard_conforming_strings', 'on'), ('lock_timeout', '%1'), ('statement_timeout', '%2')) "
            "AS v(name, value) JOIN pg_settings s ON s.name = v.name)")
            .arg(LockTimeoutMs)
            .arg(StatementTimeoutMs);
    if (!q.exec(sql) || !q.next())
        throw TError(errorText(q.lastError()));
    m_czechCollation = q.value(1).toBool() ? QStringLiteral(" COLLATE \"cs-CZ-x-icu\"") : QString();
    m_session = q.value(2).toInt();
    m_sessionStart = q.value(3).toString();
    return q.value(0).toBool();
}

void TPgEngine::enterCall()
{
    if (m_connection.isEmpty())
        return;
    if (m_callDepth > 0) {
        ++m_callDepth; // inside a call that is watched already
        return;
    }
    if (!m_reconnecting) {
        if (!m_lost && !PgConnection::isGood(database()))
            m_lost = true; // the server closed it, or the link went
        if (m_lost) {
            // The transaction went with the connection; what it wrote is not there to commit.
            if (inTransaction())
                throw TError(m_timedOut ? Format(Str::ServerNotAnswering, {s_callBoundMs / 1000})
                                        : Str::ServerConnectionLost);
            reconnect();
        }
        if (m_lock && m_lock->hasLost()) {
            m_reconnecting = true;
            auto done = qScopeGuard([this] { m_reconnecting = false; });
            m_lock->retake(m_lostSession, m_lostSessionStart);
        }
    }
    m_callDepth = 1;
    m_watchdog.arm(PgConnection::socket(database()), std::chrono::milliseconds(s_callBoundMs));
}

void TPgEngine::leaveCall()
{
    if (m_callDepth == 0 || --m_callDepth > 0)
        return;
    if (m_watchdog.disarm()) {
        m_lost = true;
        m_timedOut = true;
    }
}

void TPgEngine::reconnect()
{
    forgetPreparedStatements();
    m_reconnecting = true;
    auto done = qScopeGuard([this] { m_reconnecting = false; });
    if (m_lock)
        m_lock->connectionLost();
    if (m_session) {
        m_lostSession = std::exchange(m_session, 0);
        m_lostSessionStart = std::exchange(m_sessionStart, QString());
    }
    removeConnection();
    connect(m_config, m_connection); // throws, and the next call tries again
    m_lost = false;
    m_timedOut = false;
    try {
        configureSession();
    } catch (...) {
        m_lost = true;
        throw;
    }
    if (m_lostSession) {
        // The lost session may still be alive on the server (its process stopped, or its link
        // not yet found dead) and hold its locks and rows: it is asked to end. The start time
        // makes sure that the process is still that session.
        TCall call(*this);
        QSqlQuery q(database());
        q.prepare(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                 "WHERE pid = ? AND backend_start::text = ?"));
        q.addBindValue(m_lostSession);
        q.addBindValue(m_lostSessionStart);
        q.exec(); // not allowed, or gone already: the locks then tell
        if (!m_lock || !m_lock->hasLost()) {
            m_lostSession = 0;
            m_lostSessionStart.clear();
        }
    }
}

void TPgEngine::dropConnection()
{
    const int socket = PgConnection::socket(database());
    if (socket >= 0)
        Platform::shutdownSocket(socket);
    m_lost = true;
}

void TPgEngine::close()
{
    // The server drops the session's advisory locks with the session; nothing to send first.
    if (m_lock)
        m_lock->forget();
    forgetPreparedStatements();
    m_lost = false;
    m_timedOut = false;
    m_session = m_lostSession = 0;
    closeConnection();
}

QVariant TPgEngine::lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField)
{
    // currval() of the column's own sequence on this connection: what this station's insert was
    // given, whatever other stations inserted meanwhile.
    Q_UNUSED(query);
    TCall call(*this);
    const QString currval = QStringLiteral("SELECT currval(pg_get_serial_sequence(?, ?))");
    QSqlQuery q = preparedStatement(currval);
    q.bindValue(0, table.toLower());
    q.bindValue(1, keyField.toLower());
    if (!q.exec() || !q.next()) {
        forgetPreparedStatement(currval);
        throw TError(errorText(q.lastError()));
    }
    const QVariant key = q.value(0);
    q.finish();
    return key;
}

QString TPgEngine::errorText(const QSqlError& error) const
{
    // The watchdog ended the call: whatever the client library made of it, the server did not answer.
    if (m_timedOut || m_watchdog.fired())
        return Format(Str::ServerNotAnswering, {s_callBoundMs / 1000});
    const QString state = error.nativeErrorCode();
    // 55P03 lock_not_available (lock_timeout), 40P01 deadlock, 40001 serialization failure,
    // 57014 statement cancelled
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") ||
        state == QLatin1String("40001") || state == QLatin1String("57014"))
        return Str::DatabaseBusy;
    // 25006 read-only transaction (a standby or default_transaction_read_only), 42501 no privilege
    if (state == QLatin1String("25006") || state == QLatin1String("42501"))
        return Str::ServerReadOnly;
    // class 08 connection exceptions; 57P01..57P03 the server shut down or restarts
    const QString text = error.text();
    if (state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
        state == QLatin1String("57P02") || state == QLatin1String("57P03") ||
        text.contains(QLatin1String("server closed the connection")) ||
        text.contains(QLatin1String("no connection to the server")) ||
        text.contains(QLatin1String("connection to server")) ||
        text.contains(QLatin1String("terminating connection")))
        return Str::ServerConnectionLost;
    const QString engineText = TEngine::errorText(error);
    // 53100 disk_full; XX001 data_corrupted, XX002 index_corrupted; 58030 io_error;
    // 42P01 undefined_table, 42703 undefined_column
    if (state == QLatin1String("53100"))
        return Format(Str::DatabaseDiskFull, {engineText});
    if (state == QLatin1String("XX001") || state == QLatin1String("XX002"))
        return Format(Str::DatabaseDamaged, {engineText});
    if (state == QLatin1String("58030"))
        return Format(Str::DatabaseIoError, {engineText});
    if (state == QLatin1String("42P01") || state == QLatin1String("42703"))
        return Format(Str::DatabaseIncomplete, {engineText});
    return engineText;
}
