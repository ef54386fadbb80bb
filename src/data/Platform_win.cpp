// The operating system's services on Windows.
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>
#include <string>

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace Platform {

namespace {

HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

FileId idOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(handle, &info))
        return {};
    return {quint64(info.dwVolumeSerialNumber),
            (quint64(info.nFileIndexHigh) << 32) | quint64(info.nFileIndexLow), true};
}

// Byte ranges reach at most to the largest signed offset; "to the end and beyond" ends there.
constexpr qint64 RangeEnd = std::numeric_limits<qint64>::max();

OVERLAPPED at(qint64 start)
{
    OVERLAPPED o = {};
    o.Offset = DWORD(quint64(start) & 0xffffffffu);
    o.OffsetHigh = DWORD(quint64(start) >> 32);
    return o;
}

quint64 spanOf(qint64 start, qint64 length)
{
    return length > 0 ? quint64(length) : quint64(RangeEnd - start);
}

} // namespace

FileId fileIdOf(const QString& path)
{
    // No access but the attributes, shared in every way, so that nobody's open file is disturbed.
    HANDLE h = ::CreateFileW(nativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    const FileId id = idOfHandle(h);
    ::CloseHandle(h);
    return id;
}

bool TLockFile::open(const QString& path, Mode mode)
{
    close();
    // Shared in every way: other stations open the same file, and a file that is removed or
    // replaced under this station must not be kept from it. Who may write it follows the folder's
    // permissions; the handle is not inherited by started processes.
    const DWORD access = mode == Mode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = mode == Mode::ReadOnly ? OPEN_EXISTING : OPEN_ALWAYS;
    HANDLE h = ::CreateFileW(nativePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        m_error = int(::GetLastError());
        return false;
    }
    m_handle = reinterpret_cast<qintptr>(h);
    return true;
}

void TLockFile::close()
{
    if (m_handle != -1)
        ::CloseHandle(handleOf(m_handle)); // closing the handle drops every lock it holds
    m_handle = -1;
}

TLockFile::Lock TLockFile::lock(qint64 start, qint64 length)
{
    if (m_handle == -1 || start < 0 || start >= RangeEnd)
        return Lock::Failed;
    OVERLAPPED o = at(start);
    const quint64 span = spanOf(start, length);
    if (::LockFileEx(handleOf(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                     DWORD(span & 0xffffffffu), DWORD(span >> 32), &o))
        return Lock::Taken;
    m_error = int(::GetLastError());
    // Windows refuses a range that overlaps any lock, this handle's own ones too; the callers
    // never lock a byte twice through one file.
    return m_error == ERROR_LOCK_VIOLATION ? Lock::Busy : Lock::Failed;
}

void TLockFile::unlock(qint64 start, qint64 length)
{
    if (m_handle == -1 || start < 0 || start >= RangeEnd)
        return;
    OVERLAPPED o = at(start);
    const quint64 span = spanOf(start, length);
    ::UnlockFileEx(handleOf(m_handle), 0, DWORD(span & 0xffffffffu), DWORD(span >> 32), &o);
}

bool TLockFile::foreignLock(qint64 from, qint64* start, qint64* length)
{
    // Windows tells no lock's range; a range is free of other files' locks when this file can
    // lock it. The first locked byte is found by halving the range, one byte per result.
    if (m_handle == -1)
        return false;
    if (from < 0)
        from = 0;
    auto isFree = [this](qint64 begin, qint64 end) {
        if (lock(begin, end - begin) != Lock::Taken)
            return false;
        unlock(begin, end - begin);
        return true;
    };
    if (from >= RangeEnd || isFree(from, RangeEnd))
        return false;
    qint64 low = from, high = RangeEnd; // a lock lies in [low, high); [from, low) is free
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        if (isFree(low, middle))
            low = middle;
        else
            high = middle;
    }
    *start = low;
    *length = 1;
    return true;
}

FileId TLockFile::id() const
{
    return m_handle == -1 ? FileId() : idOfHandle(handleOf(m_handle));
}

QString TLockFile::errorText() const
{
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, DWORD(m_error), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString text = n ? QString::fromWCharArray(buffer, int(n)).trimmed() : QString::number(m_error);
    if (buffer)
        ::LocalFree(buffer);
    return text;
}

QString userTag()
{
    wchar_t name[257] = {};
    DWORD size = 257;
    if (::GetUserNameW(name, &size) && size > 1)
        return QString::fromWCharArray(name, int(size - 1));
    return qEnvironmentVariable("USERNAME", QStringLiteral("user"));
}

QString systemDirectory()
{
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT n = ::GetWindowsDirectoryW(dir, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? QDir::fromNativeSeparators(QString::fromWCharArray(dir, int(n))) : QString();
}

void* loadedFunction(Library library, const char* name)
{
    // GetModuleHandle finds only a library that is loaded already; the driver keeps it loaded.
    HMODULE module = ::GetModuleHandleW(library == Library::Sqlite ? L"sqlite3.dll" : L"libpq.dll");
    return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}

void shutdownSocket(qintptr socket)
{
    ::shutdown(SOCKET(socket), SD_BOTH);
}

bool threadsMayEnd()
{
    return false;
}

QString defaultPrintProgram()
{
    return QString();
}

void shellPrint(const QString& fileName, const QString& printerName)
{
    // The shell may hand the file to a COM server; the call wants COM on this thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring file = nativePath(QFileInfo(fileName).absoluteFilePath());
    const std::wstring printer = L"\"" + printerName.toStdWString() + L"\"";
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = printerName.isEmpty() ? L"print" : L"printto";
    info.lpFile = file.c_str();
    info.lpParameters = printerName.isEmpty() ? nullptr : printer.c_str();
    info.nShow = SW_HIDE;
    if (::ShellExecuteExW(&info) && info.hProcess) {
        // Wait for the printing program, 100 ms at a time, painting the windows in between.
        while (::WaitForSingleObject(info.hProcess, 100) == WAIT_TIMEOUT)
            QCoreApplication::processEvents();
        ::CloseHandle(info.hProcess);
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

} // namespace Platform
