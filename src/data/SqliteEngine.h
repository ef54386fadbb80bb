// The embedded engine: one SQLite file in the database directory, shared by the stations that
// see that directory; sign-in locks are byte-range locks on one lock file beside it.
#pragma once

#include "Engine.h"
#include "Platform.h"
#include "SignInLock.h"

#include <QSet>

// Byte-range locks: one byte per pupil at offset ID_ZAK of one lock file. The lock belongs to
// this open file, not to the process, so no other close drops it, and the system releases it
// when the file is closed or the process ends.
class TFileSignInLock final : public TSignInLock
{
public:
    explicit TFileSignInLock(QString lockFilePath);
    ~TFileSignInLock() override;
    bool tryLock(int pupilId) override;
    void release(int pupilId) override;
    void releaseAll() override;
    bool isHeld(int pupilId) const override { return m_held.contains(pupilId); }
    bool confirm(int pupilId) override;
    // How many pupils are signed in through the lock file, by any station (this one's own open
    // file included only if it is another open file); 0 when there is no lock file.
    static int signedInCount(const QString& lockFilePath);

private:
    bool ensureOpen();
    // The lock file was removed or replaced under this station: the locks held on the old one
    // no longer keep anybody out. They are taken again on the file that now has the name; those
    // that another station took meanwhile are given up.
    void followReplacedFile();
    QString m_path;
    Platform::TLockFile m_file;
    QSet<int> m_held;
};

class TSqliteEngine final : public TEngine
{
public:
    explicit TSqliteEngine(QString dbDir);
    ~TSqliteEngine() override;

    QString kind() const override { return QStringLiteral("sqlite"); }
    void open(const QString& connectionName) override;
    void close() override;
    QSqlDatabase database() const override;
    QVariant bindValue(const QVariant& value) const override;
    QVariant lastInsertId(QSqlQuery& query, const QString& table, const QString& keyField) override;
    TSignInLock& signInLock() override { return m_lock; }
    QString errorText(const QSqlError& error) const override;
    QString czechCollation() const override { return m_czechCollation; }
    bool replaced() const override { return fileReplaced(); }

    // How long a write waits for another station's transaction before it gives up.
    static constexpr int BusyTimeoutMs = 5000;

private:
    // True when the database file that this station opened no longer has its name.
    bool fileReplaced() const;

    QString m_dir;
    QString m_connection;
    Platform::FileId m_fileId;
    TFileSignInLock m_lock;
    QString m_czechCollation;
};
