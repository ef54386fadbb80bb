// The operating system's services on Linux and other POSIX systems.
#include "Platform.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

FileId fileIdOf(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), true};
}

bool TLockFile::open(const QString& path, Mode mode)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    switch (mode) {
    case Mode::ReadOnly:
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        break;
    case Mode::Shared:
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        break;
    case Mode::Private:
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        break;
    }
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    m_handle = fd;
    if (mode == Mode::Shared) {
        // Stations run by other users must be able to open the file for writing to take their
        // locks, whatever this user's umask made of it; only its owner can change that, so
        // failure is fine.
        struct stat st = {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666)
            ::fchmod(fd, 0666);
    }
    return true;
}

void TLockFile::close()
{
    if (m_handle != -1)
        ::close(int(m_handle)); // closing the description drops every lock it holds
    m_handle = -1;
}

static int setByteLock(int fd, qint64 start, qint64 length, short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(start);
    fl.l_len = off_t(length);
    fl.l_pid = 0; // required to be 0 for open-file-description locks
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

TLockFile::Lock TLockFile::lock(qint64 start, qint64 length)
{
    if (m_handle == -1)
        return Lock::Failed;
    const int error = setByteLock(int(m_handle), start, length, F_WRLCK);
    if (error == 0)
        return Lock::Taken;
    m_error = error;
    // EAGAIN and EACCES: another open file holds a byte; anything else is a failure of the file
    return error == EAGAIN || error == EACCES ? Lock::Busy : Lock::Failed;
}

void TLockFile::unlock(qint64 start, qint64 length)
{
    if (m_handle != -1)
        setByteLock(int(m_handle), start, length, F_UNLCK);
}

bool TLockFile::foreignLock(qint64 from, qint64* start, qint64* length)
{
    if (m_handle == -1)
        return false;
    // the first write lock at or after `from` that another open file holds
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(from);
    fl.l_len = 0; // to the end of the file and beyond
    fl.l_pid = 0;
    if (::fcntl(int(m_handle), F_OFD_GETLK, &fl) != 0 || fl.l_type == F_UNLCK)
        return false;
    *start = fl.l_start;
    *length = fl.l_len;
    return true;
}

FileId TLockFile::id() const
{
    struct stat st = {};
    if (m_handle == -1 || ::fstat(int(m_handle), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), true};
}

QString TLockFile::errorText() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}

QString userTag()
{
    return QString::number(::getuid());
}

QString systemDirectory()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

void* loadedFunction(Library library, const char* name)
{
    static const char* const sqlite[] = {"libsqlite3.so.0", nullptr};
    static const char* const pgClient[] = {"libpq.so.5", "libpq.so", nullptr};
    for (const char* const* file = library == Library::Sqlite ? sqlite : pgClient; *file; ++file) {
        // RTLD_NOLOAD: only a library that the driver loaded; the handle is kept, so that the
        // function stays valid for as long as the program runs
        if (void* handle = ::dlopen(*file, RTLD_LAZY | RTLD_NOLOAD))
            return ::dlsym(handle, name);
    }
    return nullptr;
}

void shutdownSocket(qintptr socket)
{
    ::shutdown(int(socket), SHUT_RDWR);
}

bool threadsMayEnd()
{
    return true;
}

QString defaultPrintProgram()
{
    return QStringLiteral("lp");
}

void shellPrint(const QString&, const QString&)
{
    // no shell verb for printing here: the print program does it
}

} // namespace Platform
