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

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileSignInLock::TFileSignInLock(QString lockFilePath) : m_path(std::move(lockFilePath)) {}

TFileSignInLock::~TFileSignInLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TFileSignInLock::ensureOpen()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return false;
    // Stations run by other users must be able to open the file for writing to take their locks,
    // whatever this user's umask made of it; only its owner can change that, so failure is fine.
    struct stat st = {};
    if (::fstat(m_fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666)
        ::fchmod(m_fd, 0666);
    return true;
}


static bool setByteLock(int fd, int pupilId, short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(pupilId) < 0 ? 0 : off_t(pupilId);
    fl.l_len = 1;
    fl.l_pid = 0; // required to be 0 for open-file-description locks
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (rc < 0 && errno == EINTR);
    return rc == 0;
}

static bool sameFile(int fd, const QString& path)
{
    struct stat open = {}, named = {};
    if (::fstat(fd, &open) != 0)
        return true; // nothing better known
    if (::stat(QFile::encodeName(path).constData(), &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void TFileSignInLock::followReplacedFile()
{
    if (m_fd < 0 || sameFile(m_fd, m_path))
        return;
    ::close(m_fd);
    m_fd = -1;
    const QSet<int> held = std::exchange(m_held, {});
    if (!ensureOpen())
        return; // the next tryLock() tells why
    for (int id : held)
        if (setByteLock(m_fd, id, F_WRLCK))
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
    auto unavailable = [this](int error) {
        return TError(Format(Str::LockFileUnavailable, {QDir::toNativeSeparators(m_path),
                                                        QString::fromLocal8Bit(std::strerror(error))}));
    };
    if (!ensureOpen())
        throw unavailable(errno);
    if (!setByteLock(m_fd, pupilId, F_WRLCK)) {
        // EAGAIN and EACCES: another station holds the byte; anything else is a failure of the file
        if (errno != EAGAIN && errno != EACCES)
            throw unavailable(errno);
        return false;
    }
    m_held.insert(pupilId);
    return true;
}

int TFileSignInLock::signedInCount(const QString& lockFilePath)
{
    const int fd = ::open(QFile::encodeName(lockFilePath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int count = 0;
    off_t from = 0;
    for (;;) {
        // the first write lock at or after `from` that another open file holds
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = from;
        fl.l_len = 0; // to the end of the file and beyond
        fl.l_pid = 0;
        if (::fcntl(fd, F_OFD_GETLK, &fl) != 0 || fl.l_type == F_UNLCK)
            break;
        count += fl.l_len > 0 ? int(fl.l_len) : 1;
        if (fl.l_len <= 0)
            break;
        from = fl.l_start + fl.l_len;
    }
    ::close(fd);
    return count;
}

void TFileSignInLock::release(int pupilId)
{
    if (!m_held.remove(pupilId) || m_fd < 0)
        return;
    setByteLock(m_fd, pupilId, F_UNLCK);
}

void TFileSignInLock::releaseAll()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the description drops every lock it holds
    m_fd = -1;
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
    void* library = ::dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!connection || !library)
        return false;
    const auto create = reinterpret_cast<CreateCollation>(::dlsym(library, "sqlite3_create_collation_v2"));
    ::dlclose(library); // the driver keeps the library loaded
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
        struct stat st = {};
        if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
            m_fileDevice = st.st_dev;
            m_fileInode = st.st_ino;
        }
    }
}

void TSqliteEngine::close()
{
    m_lock.releaseAll();
    closeConnection();
}

QVariant TSqliteEngine::lastInsertId(QSqlQuery& query, const QString&, const QString&)
{
    return query.lastInsertId();
}

bool TSqliteEngine::fileReplaced() const
{
    if (m_fileInode == 0)
        return false;
    struct stat st = {};
    const QString file = QDir(m_dir).filePath(QString::fromLatin1(SqliteFileName));
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return true;
    return st.st_dev != m_fileDevice || st.st_ino != m_fileInode;
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
