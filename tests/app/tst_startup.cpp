// The program as a real process: no database, a second instance, a start after a crash.
#include "Builder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A program directory of its own: the program binary, and a sample database unless told not to.
struct ProgramDir
{
    QTemporaryDir dir;
    explicit ProgramDir(bool withDb)
    {
        QFile::copy(QStringLiteral(FERDANO_BIN_DIR "/ferdano"), dir.filePath(QStringLiteral("ferdano")));
        QFile::setPermissions(dir.filePath(QStringLiteral("ferdano")), QFile::ExeOwner | QFile::ReadOwner);
        if (withDb)
            QVERIFY(Builder::buildSample(dir.filePath(QStringLiteral("DB"))).ok);
    }
    QString exe() const { return dir.filePath(QStringLiteral("ferdano")); }
};

void start(QProcess& p, const QString& exe, const QString& tmp)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(exe, {});
    QVERIFY(p.waitForStarted());
}

// Waits until standard error holds `text`, or until the time is up.
bool stderrShows(QProcess& p, const QString& text, int ms)
{
    QByteArray seen;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        p.waitForReadyRead(100);
        seen += p.readAllStandardError();
        if (QString::fromUtf8(seen).contains(text))
            return true;
        if (p.state() == QProcess::NotRunning && !p.bytesAvailable())
            break;
    }
    return false;
}

void stop(QProcess& p)
{
    p.kill();
    p.waitForFinished();
}

} // namespace

class TstStartUp : public QObject
{
    Q_OBJECT
private slots:
    void missingDatabase();
    void secondInstanceThenCrash();
};

void TstStartUp::missingDatabase()
{
    ProgramDir program(false);
    QTemporaryDir tmp;
    QProcess p;
    start(p, program.exe(), tmp.path());
    QVERIFY(stderrShows(p, QStringLiteral("Chyba: databáze nebyla nalezena"), 15000));
    stop(p);
}

void TstStartUp::secondInstanceThenCrash()
{
    ProgramDir program(true);
    QTemporaryDir tmp;
    QProcess first;
    start(first, program.exe(), tmp.path());
    const QString marker = tmp.filePath(QStringLiteral("ferdano-%1/del2.mb").arg(::getuid()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 15000);

    QProcess second;
    start(second, program.exe(), tmp.path());
    QVERIFY(stderrShows(second, QStringLiteral("Ferdano already is runned.."), 15000));
    stop(second);

    stop(first); // SIGKILL: the marker stays behind
    QVERIFY(QFile::exists(marker));
    QProcess third;
    start(third, program.exe(), tmp.path());
    QVERIFY(!stderrShows(third, QStringLiteral("Ferdano already is runned.."), 3000));
    QCOMPARE(third.state(), QProcess::Running);
    stop(third);
}

QTEST_MAIN(TstStartUp)
#include "tst_startup.moc"
