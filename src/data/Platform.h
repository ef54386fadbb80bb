// The services of the operating system that the data layer uses directly: byte-range locks on
// shared files, the identity of a file, the names of the private directory, functions of the
// libraries that Qt's database drivers load, ending a socket's transfers, and printing through
// the shell. One implementation per system (Platform_posix.cpp, Platform_win.cpp); CMake
// compiles the one of the target.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Platform {

// A file told apart from others independently of its name (device and inode; volume and file
// index). Two ids are equal when they name the same file; an unknown id equals nothing known.
struct FileId
{
    quint64 volume = 0;
    quint64 index = 0;
    bool known = false;
    friend bool operator==(const FileId& a, const FileId& b)
    {
        return a.known == b.known && a.volume == b.volume && a.index == b.index;
    }
};

// The file that has this name now; unknown when there is none.
FileId fileIdOf(const QString& path);

// An open file whose byte ranges this program locks exclusively, without waiting. A lock belongs
// to this open file, not to the process: another open file of the same process does not share
// it, and the system drops it when the file is closed or the process ends, a crash included.
class TLockFile
{
public:
    enum class Mode {
        ReadOnly,   // an existing file, only to look at its locks
        Shared,     // opened or created for writing, so that every user can lock it
        Private     // opened or created for writing, for its owner only
    };
    enum class Lock { Taken, Busy, Failed };

    TLockFile() = default;
    ~TLockFile() { close(); }
    TLockFile(const TLockFile&) = delete;
    TLockFile& operator=(const TLockFile&) = delete;

    bool open(const QString& path, Mode mode);
    bool isOpen() const { return m_handle != -1; }
    // Closing drops every lock of this open file.
    void close();
    // Locks [start, start + length); a length of 0 reaches to the end of the file and beyond.
    // Busy: another open file holds a byte of the range.
    Lock lock(qint64 start, qint64 length);
    void unlock(qint64 start, qint64 length);
    // The first range at or after `from` that another open file holds locked (one of this
    // process's own included): true with its start and its length (0: to the end and beyond).
    // Asked of a file that holds no locks itself.
    bool foreignLock(qint64 from, qint64* start, qint64* length);
    FileId id() const;
    // Why the last open or lock failed, in the system's words.
    QString errorText() const;

private:
    qintptr m_handle = -1;
    int m_error = 0;
};

// The part of the private directory's name that tells this user from others on the machine.
QString userTag();
// The base of the private directory when the temporary directory cannot be used: the user's
// runtime directory on POSIX systems, the Windows directory on Windows. Empty when there is none.
QString systemDirectory();

enum class Library { Sqlite, PgClient };
// A function of a library that Qt's database driver has loaded already, or null, so that the
// function and the driver's handles belong to the same copy of the library.
void* loadedFunction(Library library, const char* name);

// Ends every transfer on a socket, so that a call blocked on it returns at once.
void shutdownSocket(qintptr socket);

// Whether work may be handed to threads of its own that end while the program goes on. Not in
// the Windows build: there a thread that has used Qt's regular expressions (image readers, the
// font database) crashes as it ends, in the destructor of Qt's thread-local matching stack, which
// MinGW runs after the thread's local storage is gone.
bool threadsMayEnd();

// The program that prints a text file by default ("lp"), or empty where the shell prints.
QString defaultPrintProgram();
// Hands the file to the shell with the verb "print" (or "printto" and the printer's name) and
// waits for the process it starts, keeping the windows responsive. Reports nothing.
void shellPrint(const QString& fileName, const QString& printerName);

} // namespace Platform
