// Load test of one PostgreSQL server: 20 station processes each sign in their own pupil and sit a
// live test to its stored report, while 5 more try to sign in one contested pupil at the same time.
//   ferdano-loadtest [--stations N] [--contenders N] [--keep]
// The server comes from the environment, as for the tests: FERDANO_TEST_PG (host or socket
// directory), FERDANO_TEST_PG_PORT, FERDANO_TEST_PG_USER; scripts/loadtest.sh starts one.
#include "ServerLoad.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/PgEngine.h"
#include "data/SignInLock.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* ContestedRc = "sporny";

TServerConfig adminConfig()
{
    TServerConfig c;
    c.host = qEnvironmentVariable("FERDANO_TEST_PG");
    const int port = qEnvironmentVariableIntValue("FERDANO_TEST_PG_PORT");
    if (port > 0) c.port = port;
    c.user = qEnvironmentVariable("FERDANO_TEST_PG_USER");
    c.database = QStringLiteral("postgres");
    return c;
}

bool adminExec(const QString& sql, QString* error)
{
    const QString conn = QStringLiteral("load-admin-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    try {
        QSqlDatabase db = TPgEngine::connect(adminConfig(), conn);
        QSqlQuery q(db);
        ok = q.exec(sql);
        if (!ok) *error = q.lastError().text();
    } catch (const TError& e) {
        *error = e.message();
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

QString stationSignInLookup(const QString& rc)
{
    return QStringLiteral("select * from ZAK, RP where RC=") + SqlQuote(TrimText(rc)) +
           QStringLiteral(" AND zak.RP=RP.RP");
}

// The sign-in: the pupil looked up as the sign-in dialog does, then its row lock through the
// sign-in cursor. Returns the pupil's key, or 0 when the lock is held elsewhere.
int signIn(TDM& dm, const QString& rc, const QString& password)
{
    dm.QTmp->close();
    dm.QTmp->clearSql();
    dm.QTmp->addLine(stationSignInLookup(rc));
    dm.QTmp->open();
    if (dm.QTmp->isEmpty()) throw TError(QStringLiteral("no pupil ") + rc);
    if (TrimText(dm.QTmp->asString(QStringLiteral("HESLO"))) != TrimText(password))
        throw TError(QStringLiteral("wrong password for ") + rc);
    const int id = dm.QTmp->asInteger(QStringLiteral("ID_ZAK"));
    dm.TZak->close();
    dm.TZak->open();
    if (!dm.TZak->locate(QStringLiteral("ID_ZAK"), id)) throw TError(QStringLiteral("no row for ") + rc);
    try {
        dm.TZak->edit();
    } catch (const TError&) {
        return 0;
    }
    return id;
}

void tmpExec(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->clearSql();
    dm.QTmp->addLine(sql);
    dm.QTmp->execSql();
}

bool tmpExists(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->clearSql();
    dm.QTmp->addLine(sql);
    dm.QTmp->open();
    return !dm.QTmp->isEmpty();
}

// What the test window stores when a live test ends: the wrong-answer and failed-test
// bookkeeping through QTmp and the report through QStatistic. Returns the report's key.
int storeLiveTest(TDM& dm, TDataSet& questions, int pupil, int testId, const QString& testName)
{
    int total = 0, achieved = 0;
    QStringList report;
    report << QStringLiteral("Žák č. %1").arg(pupil);
    for (questions.first(); !questions.eof(); questions.next()) {
        const int question = questions.asInteger(QStringLiteral("ID_OTAZKA"));
        const QString cc = questions.asString(QStringLiteral("CC"));
        const bool right = cc.left(4) == questions.asString(QStringLiteral("AA")).left(4);
        const int points = questions.asInteger(QStringLiteral("BB"));
        total += points;
        if (right) {
            achieved += points;
            tmpExec(dm, QStringLiteral("delete from ZAKODP where ID_ZAK=%1 and ID_OTAZKA=%2")
                            .arg(pupil)
                            .arg(question));
        } else {
            const QString exists = QStringLiteral("select * from ZAKODP where ID_ZAK=%1 and ID_OTAZKA=%2")
                                       .arg(pupil)
                                       .arg(question);
            if (!tmpExists(dm, exists))
                tmpExec(dm,
                        QStringLiteral("insert into ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) values (%1, %2, %3)")
                            .arg(pupil)
                            .arg(question)
                            .arg(SqlQuote(cc)));
        }
        report << QStringLiteral("%1 %2").arg(question).arg(right ? QStringLiteral("správně")
                                                                  : QStringLiteral("chybně"));
    }
    if (testId != 0) {
        if (achieved < total) {
            if (!tmpExists(dm, QStringLiteral("select * from ZAKTEST where ID_ZAK=%1 and ID_TEST=%2")
                                   .arg(pupil)
                                   .arg(testId)))
                tmpExec(dm, QStringLiteral("insert into ZAKTEST (ID_ZAK, ID_TEST) values (%1, %2)")
                                .arg(pupil)
                                .arg(testId));
        } else {
            tmpExec(
                dm,
                QStringLiteral("delete from ZAKTEST where ID_ZAK=%1 and ID_TEST=%2").arg(pupil).arg(testId));
        }
    }
    TDataSet& st = *dm.QStatistic;
    dm.QStatistic->close();
    dm.QStatistic->setParam(QStringLiteral("ID_ZAK"), pupil);
    dm.QStatistic->open();
    st.append();
    st.setValue(QStringLiteral("ID_ZAK"), pupil);
    st.setValue(QStringLiteral("ID_TEST"), testId);
    st.setValue(QStringLiteral("DATETIME"), QDateTime::currentDateTime());
    st.setValue(QStringLiteral("PTOTAL"), total);
    st.setValue(QStringLiteral("PCURRENT"), achieved);
    st.setValue(QStringLiteral("REPORT"), report.join(u'\n'));
    st.setValue(QStringLiteral("TEST_NAME"), testName);
    st.postAndApply();
    return st.asInteger(QStringLiteral("ID_STATIS"));
}

bool openStation(TDM& dm, const QString& programDir, const QString& tempDir)
{
    TDM::Options o;
    o.programDir = programDir;
    o.tempDir = tempDir;
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        std::cout << "error " << e.what() << std::endl;
        return false;
    }
    return true;
}

void waitFor(const char* word)
{
    std::string line;
    while (std::getline(std::cin, line))
        if (line == word) return;
}

// "--station PROGRAMDIR TEMPDIR RC": signs in, sits a stored live test, stores it, ends.
int stationMain(const QStringList& args)
{
    TDM dm;
    if (!openStation(dm, args[2], args[3])) return 1;
    std::cout << "ready" << std::endl;
    waitFor("go");
    try {
        QElapsedTimer t;
        t.start();
        const int pupil = signIn(dm, args[4], QStringLiteral("heslo"));
        const qint64 signInMs = t.elapsed();
        if (pupil == 0) {
            std::cout << "refused " << signInMs << std::endl;
            return 1;
        }
        std::cout << "signin " << signInMs << std::endl;
        // a stored test of the first type, its questions in order, answers ticked in the copy
        const int testId = 1 + pupil % 3;
        dm.QTestType2->close();
        dm.QTestType2->setParam(QStringLiteral("ID_TEST"), testId);
        dm.QTestType2->open();
        QRandomGenerator gen(pupil);
        for (dm.QTestType2->first(); !dm.QTestType2->eof(); dm.QTestType2->next()) {
            dm.QTestType2->edit();
            const QString aa = dm.QTestType2->asString(QStringLiteral("AA"));
            const QString cc = gen.bounded(4) == 0 ? QStringLiteral("1111") : aa;
            dm.QTestType2->setValue(QStringLiteral("CC"), cc);
            dm.QTestType2->post();
        }
        t.restart();
        const int report =
            storeLiveTest(dm, *dm.QTestType2, pupil, testId, QStringLiteral("Test číslo %1").arg(testId));
        std::cout << "stored " << t.elapsed() << ' ' << report << std::endl;
    } catch (const TError& e) {
        std::cout << "error " << e.what() << std::endl;
        return 1;
    }
    return 0;
}

// "--contend PROGRAMDIR TEMPDIR RC": tries to sign in the contested pupil and holds what it got
// until told to end, so that every attempt meets a holder.
int contendMain(const QStringList& args)
{
    TDM dm;
    if (!openStation(dm, args[2], args[3])) return 1;
    std::cout << "ready" << std::endl;
    waitFor("go");
    try {
        QElapsedTimer t;
        t.start();
        const int pupil = signIn(dm, args[4], QStringLiteral("heslo"));
        std::cout << (pupil ? "won " : "refused ") << t.elapsed() << std::endl;
    } catch (const TError& e) {
        std::cout << "error " << e.what() << std::endl;
        return 1;
    }
    waitFor("end");
    return 0;
}

struct TStationProcess
{
    std::unique_ptr<QProcess> process;
    bool contender = false;
    QByteArray result;
};

QByteArray readLine(QProcess& p, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!p.canReadLine()) {
        if (p.state() == QProcess::NotRunning && !p.canReadLine()) return QByteArray("error ended");
        if (t.elapsed() > timeoutMs || !p.waitForReadyRead(int(std::max<qint64>(1, timeoutMs - t.elapsed()))))
            if (!p.canReadLine()) return QByteArray("error timeout");
    }
    return p.readLine().trimmed();
}

double median(QList<qint64> v)
{
    if (v.isEmpty()) return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? double(v[n / 2]) : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

qint64 maximum(const QList<qint64>& v)
{
    return v.isEmpty() ? 0 : *std::max_element(v.begin(), v.end());
}

int coordinatorMain(int stations, int contenders, bool keep)
{
    if (qEnvironmentVariable("FERDANO_TEST_PG").isEmpty()) {
        std::cerr << "FERDANO_TEST_PG names no server (scripts/loadtest.sh starts one)" << std::endl;
        return 2;
    }
    QTemporaryDir dir;
    dir.setAutoRemove(!keep);
    TServerConfig config = adminConfig();
    config.database = QStringLiteral("ferdano_load_%1").arg(::getpid());
    QString error;
    if (!adminExec(
            QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(config.database),
            &error)) {
        std::cerr << qPrintable(error) << std::endl;
        return 2;
    }
    auto dropDatabase = [&] {
        if (!keep)
            adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(config.database), &error);
    };
    const TBuildResult loaded = ServerLoad::loadSample(config);
    if (!loaded.ok) {
        std::cerr << qPrintable(loaded.problems.join(u'\n')) << std::endl;
        dropDatabase();
        return 2;
    }
    const QString dbDir = dir.path() + QStringLiteral("/DB");
    QDir().mkpath(dbDir);
    {
        QFile f(QDir(dbDir).filePath(QString::fromLatin1(ServerFileName)));
        if (!f.open(QIODevice::WriteOnly) || f.write(config.toText().toUtf8()) < 0) {
            std::cerr << "cannot write the server file" << std::endl;
            dropDatabase();
            return 2;
        }
    }
    // the pupils, one per station and the contested one
    {
        TDM dm;
        if (!openStation(dm, dir.path(), dir.path())) {
            dropDatabase();
            return 2;
        }
        for (int i = 0; i <= stations; ++i) {
            dm.QZak->append();
            dm.QZak->setValue(QStringLiteral("RC"), i == stations ? QString::fromLatin1(ContestedRc)
                                                                  : QStringLiteral("stanice%1").arg(i + 1));
            dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Žák %1").arg(i + 1));
            dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
            dm.QZak->setValue(QStringLiteral("HESLO"), QStringLiteral("heslo"));
            dm.QZak->post();
        }
        dm.QZak->postAndApply();
    }

    std::vector<TStationProcess> procs;
    for (int i = 0; i < stations + contenders; ++i) {
        TStationProcess sp;
        sp.contender = i >= stations;
        sp.process = std::make_unique<QProcess>();
        sp.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString temp = dir.path() + QStringLiteral("/station%1").arg(i + 1);
        QDir().mkpath(temp);
        const QString rc =
            sp.contender ? QString::fromLatin1(ContestedRc) : QStringLiteral("stanice%1").arg(i + 1);
        sp.process->start(
            QCoreApplication::applicationFilePath(),
            {sp.contender ? QStringLiteral("--contend") : QStringLiteral("--station"), dir.path(), temp, rc});
        procs.push_back(std::move(sp));
    }
    int ready = 0;
    for (TStationProcess& sp : procs) {
        const QByteArray line = readLine(*sp.process, 60000);
        if (line == "ready")
            ++ready;
        else
            std::cerr << "station did not open: " << line.constData() << std::endl;
    }
    QElapsedTimer wall;
    wall.start();
    for (TStationProcess& sp : procs)
        sp.process->write("go\n");

    QList<qint64> signIns, stores;
    int reports = 0, won = 0, refused = 0, failures = 0;
    for (TStationProcess& sp : procs) {
        QByteArray line = readLine(*sp.process, 120000);
        const QList<QByteArray> words = line.split(' ');
        if (sp.contender) {
            if (words[0] == "won" || words[0] == "refused") {
                signIns << words.value(1).toLongLong();
                (words[0] == "won" ? won : refused) += 1;
            } else {
                ++failures;
                std::cerr << "contender: " << line.constData() << std::endl;
            }
            continue;
        }
        if (words[0] != "signin") {
            ++failures;
            std::cerr << "station: " << line.constData() << std::endl;
            continue;
        }
        signIns << words.value(1).toLongLong();
        line = readLine(*sp.process, 120000);
        const QList<QByteArray> stored = line.split(' ');
        if (stored[0] == "stored") {
            stores << stored.value(1).toLongLong();
            ++reports;
        } else {
            ++failures;
            std::cerr << "station: " << line.constData() << std::endl;
        }
    }
    const qint64 wallMs = wall.elapsed();
    for (TStationProcess& sp : procs) {
        sp.process->write("end\n");
        sp.process->closeWriteChannel();
    }
    for (TStationProcess& sp : procs)
        if (!sp.process->waitForFinished(30000)) sp.process->kill();

    // what the server holds, counted apart from what the stations said
    int storedRows = -1;
    {
        TDM dm;
        if (openStation(dm, dir.path(), dir.path())) {
            dm.QTmp->close();
            dm.QTmp->setSql({QStringLiteral("select count(*) n from STATIS")});
            dm.QTmp->open();
            storedRows = dm.QTmp->asInteger(QStringLiteral("n"));
        }
    }
    dropDatabase();

    std::printf("stations: %d, contenders: %d, all started: %s, wall time %lld ms\n", stations, contenders,
                ready == stations + contenders ? "yes" : "no", static_cast<long long>(wallMs));
    std::printf("reports stored: %d of %d (rows in STATIS: %d)\n", reports, stations, storedRows);
    std::printf("contested sign-ins that succeeded at once: %d (refused: %d)\n", won, refused);
    std::printf("sign-in: median %.1f ms, slowest %lld ms\n", median(signIns),
                static_cast<long long>(maximum(signIns)));
    std::printf("storing a report: median %.1f ms, slowest %lld ms\n", median(stores),
                static_cast<long long>(maximum(stores)));
    const bool ok = reports == stations && storedRows == stations && won == 1 && failures == 0;
    std::printf("%s\n", ok ? "OK" : "FAILED");
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && (qstrcmp(argv[1], "--station") == 0 || qstrcmp(argv[1], "--contend") == 0)) {
        QCoreApplication app(argc, argv);
        const QStringList args = app.arguments();
        return args[1] == QLatin1String("--station") ? stationMain(args) : contendMain(args);
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the sample pictures are drawn without a screen
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Load test of several stations on one PostgreSQL server."));
    parser.addHelpOption();
    QCommandLineOption stations(QStringLiteral("stations"), QStringLiteral("Stations with a pupil each."),
                                QStringLiteral("n"), QStringLiteral("20"));
    QCommandLineOption contenders(QStringLiteral("contenders"),
                                  QStringLiteral("Stations after one contested pupil."), QStringLiteral("n"),
                                  QStringLiteral("5"));
    QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Keep the database and the directory."));
    parser.addOptions({stations, contenders, keep});
    parser.process(app);
    return coordinatorMain(std::max(1, parser.value(stations).toInt()),
                           std::max(1, parser.value(contenders).toInt()), parser.isSet(keep));
}
