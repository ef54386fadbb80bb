// PostgreSQL engine, its server file and the advisory sign-in lock.
#include "PgEngine.h"

#include "Error.h"
#include "Format.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

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

static bool runLockFunction(const QString& connection, const char* function, int pupilId)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    // Both keys are literal numbers: nothing from outside reaches the statement text.
    if (!q.exec(QStringLiteral("SELECT %1(%2, %3)")
                    .arg(QLatin1String(function))
                    .arg(TAdvisorySignInLock::LockClass)
                    .arg(pupilId)) ||
        !q.next())
        return false;
    return q.value(0).toBool();
}

bool TAdvisorySignInLock::tryLock(int pupilId)
{
    if (pupilId < 0)
        return false;
    if (m_held.contains(pupilId))
        return true; // advisory locks count: a second take would need a second release
    if (!runLockFunction(m_connection, "pg_try_advisory_lock", pupilId))
        return false;
    m_held.insert(pupilId);
    return true;
}

void TAdvisorySignInLock::release(int pupilId)
{
    if (!m_held.remove(pupilId))
        return;
    runLockFunction(m_connection, "pg_advisory_unlock", pupilId);
}

void TAdvisorySignInLock::releaseAll()
{
    const QSet<int> held = m_held;
    for (int id : held)
        release(id);
    m_held.clear();
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
    // The station's side of the same: a server gone from the network is noticed within a minute.
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;application_name=ferdano;keepalives=1;keepalives_idle=30;"
                       "keepalives_interval=10;keepalives_count=3")
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
    QSqlDatabase db = connect(m_config, connectionName);
    m_connection = connectionName;
    m_lock = std::make_unique<TAdvisorySignInLock>(connectionName);
    QSqlQuery q(db);
    // A station that vanishes from the network (a cable pulled, a machine switched off) must not
    // keep its pupil's sign-in lock for the hours the system's keepalive takes: the server probes
    // an idle link after 30 s and drops it after three unanswered probes, or when sent data stays
    // unacknowledged for 30 s. Over a Unix socket the server ignores these; a server too old for
    // one of them goes on without it.
    for (const char* setting : {"tcp_keepalives_idle = 30", "tcp_keepalives_interval = 10",
                                "tcp_keepalives_count = 3", "tcp_user_timeout = 30000"})
        q.exec(QStringLiteral("SET ") + QLatin1String(setting));
    // Czech order comes from ICU, which a server may have been built without.
    const bool ok =
        q.exec(QStringLiteral("SET lock_timeout = %1").arg(LockTimeoutMs)) &&
        q.exec(QStringLiteral("SELECT to_regclass('zak') IS NOT NULL AND to_regclass('fnkonst') IS NOT NULL, "
                              "EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'cs-CZ-x-icu')")) &&
        q.next();
    const bool hasTables = ok && q.value(0).toBool();
    m_czechCollation = ok && q.value(1).toBool() ? QStringLiteral(" COLLATE \"cs-CZ-x-icu\"") : QString();
    const QString text = ok ? QString() : errorText(q.lastError());
    q = QSqlQuery();
    if (!hasTables) {
        db = QSqlDatabase();
        close();
        if (!ok)
            throw TError(Format(Str::ServerUnreachable, {serverName(m_config), text}));
        throw TError(Format(Str::ServerDatabaseEmpty, {m_config.database, serverName(m_config)}));
    }
}

void TPgEngine::close()
{
    // The server drops the session's advisory locks with the session; nothing to send first.
    if (m_lock)
        m_lock->forget();
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

QSqlDatabase TPgEngine::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

QVariant TPgEngine::bindValue(const QVariant& value) const
{
    // TIMESTAMP holds the station's wall-clock time, as on SQLite; the driver would bind a
    // date-time with its zone and the server would shift it into its own.
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value;
}

QVariant TPgEngine::lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField)
{
    // currval() of the column's own sequence on this connection: what this station's insert was
    // given, whatever other stations inserted meanwhile.
    Q_UNUSED(query);
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT currval(pg_get_serial_sequence(?, ?))"));
    q.addBindValue(table.toLower());
    q.addBindValue(keyField.toLower());
    if (!q.exec() || !q.next())
        throw TError(errorText(q.lastError()));
    return q.value(0);
}

QString TPgEngine::errorText(const QSqlError& error) const
{
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
