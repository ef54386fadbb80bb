// SQLite engine and the file-based sign-in lock.
#include "SqliteEngine.h"

#include "Error.h"
#include "Format.h"
#include "Strings.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>


TFileSignInLock::TFileSignInLock(QString lockFilePath) : m_path(std::move(lockFilePath)) {}

TFileSignInLock::~TFileSignInLock() = default;

bool TFileSignInLock::ensureOpen()
{
    return m_file.isOpen() || m_file.open(m_path, Platform::TLockFile::Mode::Shared);
}

static Platform::TLockFile::Lock lockPupil(Platform::TLockFile& file, int pupilId)
{
    return file.lock(pupilId < 0 ? 0 : pupilId, 1);
}

void TFileSignInLock::followReplacedFile()
{
    if (!m_file.isOpen())
        return;
    const Platform::FileId open = m_file.id();
    if (!open.known || open == Platform::fileIdOf(m_path))
        return; // nothing better known, or still the same file
    m_file.close();
    const QSet<int> held = std::exchange(m_held, {});
    if (!ensureOpen())
        return; // the next tryLock() tells why
    for (int id : held)
        if (lockPupil(m_file, id) == Platform::TLockFile::Lock::Taken)
            m_held.insert(id);
}

bool TFileSignInLock::confirm(int pupilId)
{
    followReplacedFile();
    return m_held.contains(pupilId);
}

bool TFileSignInLock::tryLock(int pupilId)
{
    if (pupilId < 0)
        return false;
    followReplacedFile();
    if (m_held.contains(pupilId))
        return true;
    // A file that cannot be had is no sign-in of another station: the user is told the real cause.
    auto unavailable = [this] {
        return TError(Format(Str::LockFileUnavailable, {QDir::toNativeSeparators(m_path), m_file.errorText()}));
    };
    if (!ensureOpen())
        throw unavailable();
    switch (lockPupil(m_file, pupilId)) {
    case Platform::TLockFile::Lock::Taken:
        break;
    case Platform::TLockFile::Lock::Busy:
        return false; // another station holds the byte
    case Platform::TLockFile::Lock::Failed:
        throw unavailable();
    }
    m_held.insert(pupilId);
    return true;
}

int TFileSignInLock::signedInCount(const QString& lockFilePath)
{
    Platform::TLockFile file;
    if (!file.open(lockFilePath, Platform::TLockFile::Mode::ReadOnly))
        return 0;
    int count = 0;
    qint64 from = 0, start = 0, length = 0;
    while (file.foreignLock(from, &start, &length)) {
        count += length > 0 ? int(length) : 1;
        if (length <= 0)
            break;
        from = start + length;
    }
    return count;
}

void TFileSignInLock::release(int pupilId)
{
    if (!m_held.remove(pupilId) || !m_file.isOpen())
        return;
    m_file.unlock(pupilId < 0 ? 0 : pupilId, 1);
}

void TFileSignInLock::releaseAll()
{
    m_file.close(); // closing the file drops every lock it holds
    m_held.clear();
}

namespace {

// The collation "CZECH" on the program's connection: SQLite compares with QCollator in Czech.
// The entry point is taken from the SQLite library that Qt's driver loaded, so that the
// connection handle and the function belong to the same library; a driver with an SQLite of its
// own (not the system's library) gets no Czech order, and names are ordered as before.
using CreateCollation = int (*)(void* db, const char* name, int textRep, void* arg,
                                int (*compare)(void*, int, const void*, int, const void*),
                                void (*destroy)(void*));
constexpr int SqliteUtf8 = 1;
constexpr int SqliteOk = 0;

int compareCzech(void* arg, int length1, const void* text1, int length2, const void* text2)
{
    const auto* collator = static_cast<const QCollator*>(arg);
    return collator->compare(QString::fromUtf8(static_cast<const char*>(text1), length1),
                             QString::fromUtf8(static_cast<const char*>(text2), length2));
}

void destroyCzech(void* arg)
{
    delete static_cast<QCollator*>(arg);
}

bool registerCzechCollation(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    void* connection = *static_cast<void* const*>(handle.constData());
    if (!connection)
        return false;
    const auto create = reinterpret_cast<CreateCollation>(
        Platform::loadedFunction(Platform::Library::Sqlite, "sqlite3_create_collation_v2"));
    if (!create)
        return false;
    auto* collator = new QCollator(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    if (create(connection, "CZECH", SqliteUtf8, collator, compareCzech, destroyCzech) != SqliteOk) {
        delete collator; // SQLite leaves it to the caller when the registration fails
        return false;
    }
    return true;
}

} // namespace

TSqliteEngine::TSqliteEngine(QString dbDir)
    : m_dir(std::move(dbDir)), m_lock(QDir(m_dir).filePath(QString::fromLatin1(LockFileName)))
{
}

TSqliteEngine::~TSqliteEngine()
{
    close();
}

void TSqliteEngine::open(const QString& connectionName)
{
    const QString file = QDir(m_dir).filePath(QString::fromLatin1(SqliteFileName));
    if (!QFileInfo::exists(file))
        throw TError(Format(Str::DatabaseMissing, {QDir::toNativeSeparators(file)}));
    m_connection = connectionName;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db.open()) {
            const QString text = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            m_connection.clear();
            throw TError(Format(Str::DatabaseCorrupt, {text}));
        }
        // The file is shared between stations through a directory: no WAL, whose shared memory
        // does not work across machines; a plain rollback journal does.
        // The page cache holds the index that the random draws read whole (about 2.3 MB for a
        // bank of 100 000 questions); at the engine's default of 2 MB every draw read it anew
        // from the file. The cache only grows as far as pages are read.
        QSqlQuery q(db);
        const bool ok = q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) &&
                        q.exec(QStringLiteral("PRAGMA cache_size=-8192")) &&
                        q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (!ok || !q.next()) {
            const QString text = q.lastError().text();
            // a damaged file is told as such; other failures to open name the engine's reason
            const QString told = errorText(q.lastError());
            const bool damaged = told.startsWith(Str::DatabaseDamaged.section(QLatin1String("%s"), 0, 0));
            q = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            m_connection.clear();
            throw TError(damaged ? told : Format(Str::DatabaseCorrupt, {text}));
        }
        m_czechCollation = registerCzechCollation(db) ? QStringLiteral(" COLLATE CZECH") : QString();
        m_fileId = Platform::fileIdOf(file);
    }
}

void TSqliteEngine::close()
{
    m_lock.releaseAll();
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

QSqlDatabase TSqliteEngine::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

QVariant TSqliteEngine::bindValue(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value;
}

QVariant TSqliteEngine::lastInsertId(QSqlQuery& query, const QString&, const QString&)
{
    return query.lastInsertId();
}

bool TSqliteEngine::fileReplaced() const
{
    if (!m_fileId.known)
        return false;
    const QString file = QDir(m_dir).filePath(QString::fromLatin1(SqliteFileName));
    const Platform::FileId now = Platform::fileIdOf(file);
    return !now.known || !(now == m_fileId);
}

QString TSqliteEngine::errorText(const QSqlError& error) const
{
    // SQLite refuses to write into a file that was moved away or deleted under it, as a
    // read-only one; the directory is not to blame.
    if (fileReplaced())
        return Str::DatabaseReplaced;
    const QString native = error.nativeErrorCode();
    // 5 SQLITE_BUSY, 6 SQLITE_LOCKED, 8 SQLITE_READONLY (extended codes keep the low byte)
    bool ok = false;
    const int code = native.toInt(&ok) & 0xff;
    if (ok && (code == 5 || code == 6))
        return Str::DatabaseBusy;
    if (ok && code == 8)
        return Str::DatabaseReadOnly;
    const QString text = error.text();
    if (text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive))
        return Str::DatabaseBusy;
    if (text.contains(QLatin1String("readonly"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("read-only"), Qt::CaseInsensitive))
        return Str::DatabaseReadOnly;
    const QString engineText = TEngine::errorText(error);
    // 13 SQLITE_FULL; 11 SQLITE_CORRUPT, 26 SQLITE_NOTADB; 10 SQLITE_IOERR, 14 SQLITE_CANTOPEN
    if ((ok && code == 13) || text.contains(QLatin1String("disk is full"), Qt::CaseInsensitive))
        return Format(Str::DatabaseDiskFull, {engineText});
    if ((ok && (code == 11 || code == 26)) ||
        text.contains(QLatin1String("malformed"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("not a database"), Qt::CaseInsensitive))
        return Format(Str::DatabaseDamaged, {engineText});
    if (ok && (code == 10 || code == 14))
        return Format(Str::DatabaseIoError, {engineText});
    // the program's own statements name only tables and columns of its schema
    if (text.contains(QLatin1String("no such table"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("no such column"), Qt::CaseInsensitive))
        return Format(Str::DatabaseIncomplete, {engineText});
    return engineText;
}
