// The program as a real process: no database, a second instance, a start after a crash; and the
// start-up's messages in sight, with no window kept above them.
#include "Builder.h"
#include "app/StartUp.h"
#include "data/Platform.h"
#include "data/Strings.h"
#include "widgets/Guard.h"

#include <QApplication>
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
        QFile::copy(QStringLiteral(FERDANO_BIN_DIR "/ferdano" FERDANO_EXE_SUFFIX), exe());
        QFile::setPermissions(exe(), QFile::ExeOwner | QFile::ReadOwner);
        if (withDb)
            QVERIFY(Builder::buildSample(dir.filePath(QStringLiteral("DB"))).ok);
    }
    QString exe() const { return dir.filePath(QStringLiteral("ferdano" FERDANO_EXE_SUFFIX)); }
};

void start(QProcess& p, const QString& exe, const QString& tmp)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    // where Windows takes the temporary directory from
    env.insert(QStringLiteral("TMP"), tmp);
    env.insert(QStringLiteral("TEMP"), tmp);
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
    void startUpMessagesAreNotCovered();
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
    const QString marker = tmp.filePath(QStringLiteral("ferdano-%1/del2.mb").arg(Platform::userTag()));
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

void TstStartUp::startUpMessagesAreNotCovered()
{
    // What is on screen at the moment the message is shown.
    struct Shown
    {
        QString text;
        QStringList onTop; // visible windows kept above all others
        QStringList visible;
    };
    auto startUp = [](const TDM::Options& options, int* exitCode) {
        QList<Shown> shown;
        SetGeneralErrorSink([&shown](const QString& text) {
            Shown s{text, {}, {}};
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible())
                    continue;
                s.visible << w->objectName();
                if (w->windowFlags() & Qt::WindowStaysOnTopHint)
                    s.onTop << w->objectName();
            }
            shown << s;
        });
        *exitCode = RunProgram(options);
        SetGeneralErrorSink(nullptr);
        return shown;
    };
    auto check = [](const QList<Shown>& shown, const QString& text) {
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(text), qPrintable(shown[0].text));
        QVERIFY2(shown[0].onTop.isEmpty(), qPrintable(shown[0].onTop.join(u',')));
        QVERIFY2(shown[0].visible.isEmpty(), qPrintable(shown[0].visible.join(u',')));
    };
    int exitCode = 0;

    // no database
    ProgramDir noDb(false);
    QTemporaryDir tmp;
    TDM::Options options;
    options.programDir = noDb.dir.path();
    options.tempDir = tmp.path();
    check(startUp(options, &exitCode), Str::DatabaseMissing.left(Str::DatabaseMissing.indexOf(u'%')));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(exitCode, 1);

    // no temporary directory
    options.tempDir = tmp.filePath(QStringLiteral("none"));
    options.systemDir = tmp.filePath(QStringLiteral("none either"));
    check(startUp(options, &exitCode), Str::NoTempDir);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(exitCode, 1);

    // a second instance beside a running one
    ProgramDir program(true);
    QProcess first;
    start(first, program.exe(), tmp.path());
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(tmp.filePath(QStringLiteral("ferdano-%1/del2.mb").arg(Platform::userTag()))), 15000);
    options = TDM::Options();
    options.programDir = program.dir.path();
    options.tempDir = tmp.path();
    check(startUp(options, &exitCode), Str::AlreadyRunning);
    stop(first);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(exitCode, 1);
}

QTEST_MAIN(TstStartUp)
#include "tst_startup.moc"
