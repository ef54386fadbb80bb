// Faults of the disk and the database file: the user is told in Czech what happened and what to
// do, with the engine's own text after it for the administrator.
#include "TestDb.h"

#include "data/Error.h"
#include "data/SqliteEngine.h"
#include "data/Strings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

namespace {

// The Czech sentence of a message, without the engine's text that follows it.
QString lead(const QString& pattern)
{
    return pattern.left(pattern.indexOf(QLatin1String("%s"))).section(u'\n', 0, 0);
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

void runSql(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->execSql();
}

void openSql(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->open();
}

bool mountTmpfs(const QString& dir, const QString& options)
{
    return QProcess::execute(QStringLiteral("mount"),
                             {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                              QStringLiteral("tmpfs"), dir}) == 0;
}

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT
private slots:
    void missingTable();
    void damagedFile_data();
    void damagedFile();
    void fullDisk();
    void lockFileThatCannotBeMade();
    void lockFileRemovedUnderStation();
    void databaseReplacedUnderStation();
};

void TstFaults::missingTable()
{
    // A table that an older or damaged database lacks (on both engines).
    TTestDb db;
    TDM& dm = db.open();
    runSql(dm, QStringLiteral("DROP TABLE ZAKODP"));
    const QString message = errorOf([&] { openSql(dm, QStringLiteral("SELECT * FROM ZAKODP")); });
    QVERIFY2(message.startsWith(lead(Str::DatabaseIncomplete)), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("zakodp"), Qt::CaseInsensitive), qPrintable(message));
}

void TstFaults::damagedFile_data()
{
    QTest::addColumn<bool>("truncate");
    QTest::newRow("garbled pages") << false;
    QTest::newRow("truncated file") << true;
}

void TstFaults::damagedFile()
{
    if (TTestDb::onServer())
        QSKIP("the database file is SQLite's");
    QFETCH(bool, truncate);
    TTestDb db;
    QFile file(db.dbDir() + QStringLiteral("/ferdano.db"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    // The first page (the file's header and the schema's root) stays, so that the file still
    // opens; the rest is what a failing disk or an interrupted copy leaves.
    if (truncate) {
        QVERIFY(file.resize(size / 3));
    } else {
        QVERIFY(file.seek(8192));
        QByteArray garbage(int(size - 8192), '\xA5');
        for (int i = 0; i < garbage.size(); i += 7)
            garbage[i] = char(i);
        file.write(garbage);
    }
    file.close();
    TDM dm;
    const QString message = errorOf([&] {
        dm.DMCreate(db.options());
        // whatever start-up did not read, a scan of every table does
        for (const char* table : {"OTAZKA", "ODPOVED", "OKRUHOT", "ZAK", "STATIS", "TEST", "BMP"})
            openSql(dm, QStringLiteral("SELECT * FROM ") + QLatin1String(table));
    });
    QVERIFY2(message.startsWith(lead(Str::DatabaseDamaged)), qPrintable(message));
}

void TstFaults::fullDisk()
{
    if (TTestDb::onServer())
        QSKIP("the disk of the server is the server's");
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    TTestDb db;
    QTemporaryDir mountPoint;
    QVERIFY(mountTmpfs(mountPoint.path(), QStringLiteral("size=4m")));
    auto unmount = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint.path()});
    });
    const QString dbDir = mountPoint.filePath(QStringLiteral("DB"));
    QVERIFY(QDir().mkpath(dbDir));
    QVERIFY(QFile::copy(db.dbDir() + QStringLiteral("/ferdano.db"), dbDir + QStringLiteral("/ferdano.db")));
    TDM::Options options = db.options();
    options.programDir = mountPoint.path();
    TDM dm;
    dm.DMCreate(options);
    QVERIFY(dm.DB.connected());
    openSql(dm, QStringLiteral("SELECT count(*) N FROM STATIS"));
    const int reportsBefore = dm.QTmp->asInteger(QStringLiteral("N"));

    // Fill what is left of the disk.
    QFile filler(mountPoint.filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(64 * 1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();

    const QString report = QString(20000, u'r');
    const QString message = errorOf([&] {
        runSql(dm, QStringLiteral("INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, "
                                  "TEST_NAME) VALUES (1, 1, '2026-12-08 10:00:00', 50, 45, '%1', 'x')")
                       .arg(report));
    });
    QVERIFY2(message.startsWith(lead(Str::DatabaseDiskFull)), qPrintable(message));

    // Room again: nothing half-written, and the same write goes through.
    QVERIFY(filler.remove());
    openSql(dm, QStringLiteral("SELECT count(*) N FROM STATIS"));
    QCOMPARE(dm.QTmp->asInteger(QStringLiteral("N")), reportsBefore);
    openSql(dm, QStringLiteral("PRAGMA integrity_check"));
    QCOMPARE(dm.QTmp->value(dm.QTmp->fieldNames().first()).toString(), QStringLiteral("ok"));
    dm.DMDestroy();
}

void TstFaults::lockFileThatCannotBeMade()
{
    // A lock file that cannot be created is not another station's sign-in.
    QTemporaryDir dir;
    TFileSignInLock lock(dir.filePath(QStringLiteral("gone/ferdano.lck")));
    const QString message = errorOf([&] { lock.tryLock(5); });
    QVERIFY2(message.startsWith(lead(Str::LockFileUnavailable)), qPrintable(message));
    QVERIFY(!lock.isHeld(5));

    // With the file there, a byte that another station holds is a plain "no".
    TFileSignInLock mine(dir.filePath(QStringLiteral("ferdano.lck")));
    TFileSignInLock other(dir.filePath(QStringLiteral("ferdano.lck")));
    QVERIFY(mine.tryLock(5));
    QVERIFY(!other.tryLock(5));
}

void TstFaults::lockFileRemovedUnderStation()
{
    // A lock held on a file that lost its name keeps nobody out: the station takes its locks
    // again on the file that now has the name, or gives up those another station took there.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ferdano.lck"));
    TFileSignInLock mine(path);
    QVERIFY(mine.tryLock(5));
    QVERIFY(mine.tryLock(6));
    QVERIFY(QFile::remove(path));
    {
        TFileSignInLock other(path);
        QVERIFY(other.tryLock(6)); // the new file knows nothing of this station
        QVERIFY(mine.confirm(5));
        QVERIFY(!mine.confirm(6));
        QVERIFY(!mine.isHeld(6));
        QVERIFY(!other.tryLock(5)); // taken again on the new file
        QVERIFY(!mine.tryLock(6));
    }
    QVERIFY(mine.tryLock(6));
}

void TstFaults::databaseReplacedUnderStation()
{
    // The bank builder with --force moves a new file into place under a running station: its
    // next write is told as that, not as a read-only directory.
    TTestDb db;
    if (TTestDb::onServer())
        QSKIP("the file of an SQLite database");
    TDM& dm = db.open();
    const QString file = db.dbDir() + QStringLiteral("/ferdano.db");
    QVERIFY(QFile::copy(file, file + QStringLiteral(".new")));
    QVERIFY(::rename(QFile::encodeName(file + QStringLiteral(".new")).constData(),
                     QFile::encodeName(file).constData()) == 0);
    const QString message = errorOf([&] { dm.SetConst(QStringLiteral("VERSION"), QStringLiteral("x")); });
    QCOMPARE(message, Str::DatabaseReplaced);
}

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
