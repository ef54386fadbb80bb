// Load test of one PostgreSQL server: many station processes (200 by default), each through the
// program's own data layer with its own connection. Each station, three times: signs in, draws a
// random live test, answers it, scores and stores it, and signs out. Most stations have a pupil of
// their own; some (20 by default) contend for a few shared pupils (4), so that sign-ins meet
// pupils held elsewhere.
//   ferdano-loadtest [--stations N] [--contenders N] [--contested N] [--rounds N] [--keep]
// The server comes from the environment, as for the tests: FERDANO_TEST_PG (host or socket
// directory), FERDANO_TEST_PG_PORT, FERDANO_TEST_PG_USER; scripts/loadtest.sh starts one.
#include "BenchProcess.h"
#include "ServerLoad.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Globals.h"
#include "data/PgEngine.h"
#include "data/Public.h"
#include "data/Statements.h"
#include "data/Strings.h"
#include "pupils/SignIn.h"
#include "selection/GroupCounts.h"
#include "selection/RandomDraw.h"
#include "testing/TestMode.h"
#include "testing/TestScoring.h"

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
#include <QThread>
#include <QScopeGuard>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

TServerConfig adminConfig(const QString& database = QStringLiteral("postgres"))
{
    return testServerConfig(database);
}

// The load test's own statements on the server (its database made and dropped, the maximum of
// connections read), outside the program's data layer.
bool adminExec(const QString& sql, QString* error, QVariant* first = nullptr,
               const QString& database = QStringLiteral("postgres"), std::map<int, int>* pairs = nullptr)
{
    const QString conn = QStringLiteral("load-admin-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    try {
        QSqlDatabase db = TPgEngine::connect(adminConfig(database), conn);
        QSqlQuery q(db);
        ok = q.exec(sql);
        if (!ok)
            *error = q.lastError().text();
        else if (first && q.next())
            *first = q.value(0);
        else if (pairs)
            while (q.next())
                (*pairs)[q.value(0).toInt()] = q.value(1).toInt();
    } catch (const TError& e) {
        *error = e.message();
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts); // one clock for every process of the machine
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString rcOfStation(int i)
{
    return QStringLiteral("stanice%1").arg(i + 1);
}

QString rcOfContested(int i)
{
    return QStringLiteral("sporny%1").arg(i + 1);
}

// The sign-in dialog's steps after "Ok": the pupil looked up, the password compared, the lock
// moved to the pupil, the pupil filled in. False when another station holds the pupil.
bool signIn(const QString& rc)
{
    TQuery* q = DM->QTmp;
    DM->OpenPupilByRc(*q, rc);
    if (q->isEmpty())
        throw TError(QStringLiteral("no pupil ") + rc);
    if (!PasswordMatches(QStringLiteral("heslo"), q->asString(QStringLiteral("HESLO"))))
        throw TError(Str::WrongPassword);
    if (!DM->TZak->moveLockTo(q->asInteger(QStringLiteral("ID_ZAK"))))
        return false;
    FillSignedInPupil(*q);
    return true;
}

// The random live test as the test-type dialog draws it: per topic group its questions at the
// pupil's level, the live count of them drawn.
bool drawRandomTest()
{
    TQuery* groups = DM->QSelectQuest;
    TQuery* rnd = DM->QRnd;
    const QString pattern = SkillLevelPattern(SignedInPupil.SkillLevel);
    SeedRandom();
    TIdList drawn;
    for (groups->first(); !groups->eof(); groups->next()) {
        rnd->setParam(QStringLiteral("SKILL_LEVEL"), pattern);
        rnd->setParam(QStringLiteral("ID_OKRUH"), groups->asInteger(QStringLiteral("ID_OKRUH")));
        RandomDraw::DrawFrom(rnd->readIntegers(QStringLiteral("ID_OTAZKA")),
                             GroupCounts::CountOf(groups->value(QStringLiteral("PocetDef"))), drawn);
    }
    if (drawn.isEmpty())
        return false;
    Statements::OpenDrawnQuestions(*DM->QTestType3, drawn);
    return true;
}

void answer(TDataSet& set, QRandomGenerator& gen)
{
    for (set.first(); !set.eof(); set.next()) {
        set.edit();
        const QString aa = set.asString(QStringLiteral("AA"));
        set.setValue(QStringLiteral("CC"), gen.bounded(4) == 0 ? QStringLiteral("1111") : aa);
        set.post();
    }
}

bool openStation(TDM& dm, const QString& programDir, const QString& tempDir)
{
    TDM::Options o;
    o.programDir = programDir;
    o.tempDir = tempDir;
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        std::cout << "error " << e.message().toStdString() << std::endl;
        return false;
    }
    return true;
}

void waitFor(const char* word)
{
    std::string line;
    while (std::getline(std::cin, line))
        if (line == word)
            return;
}

// One round of a station: sign in, draw, answer (the pupil's thinking time), score and store,
// sign out. Prints what happened, one line each.
void stationRound(const QString& rc, QRandomGenerator& gen)
{
    QElapsedTimer t;
    t.start();
    const bool in = signIn(rc);
    const qint64 signInMs = t.elapsed();
    if (!in) {
        std::cout << "refused " << signInMs << ' ' << rc.toStdString() << std::endl;
        return;
    }
    const qint64 heldFrom = nowNs();
    std::cout << "signin " << signInMs << std::endl;
    if (!drawRandomTest())
        throw TError(Str::NoQuestionDrawn);
    answer(*DM->QTestType3, gen);
    QThread::msleep(gen.bounded(200, 600));
    TTestScoring scorer;
    t.restart();
    scorer.scoreAndStore(*DM->QTestType3, 0, QStringLiteral("Ostré testy - Náhodně vygenerovaný test"), tmLive);
    std::cout << "stored " << t.elapsed() << ' ' << SignedInPupil.PupilId << std::endl;
    const qint64 heldTo = nowNs();
    DM->TZak->close(); // signed out: the lock is given back
    TSession::instance().signOut();
    std::cout << "held " << rc.toStdString() << ' ' << heldFrom << ' ' << heldTo << std::endl;
}

// "--station PROGRAMDIR TEMPDIR SEED RC...": the rounds, each with the next of the RCs.
int stationMain(const QStringList& args)
{
    TDM dm;
    if (!openStation(dm, args[2], args[3]))
        return 1;
    std::cout << "ready" << std::endl;
    waitFor("go");
    QRandomGenerator gen(args[4].toUInt());
    const QStringList rcs = args.mid(5);
    for (const QString& rc : rcs) {
        QThread::msleep(gen.bounded(0, 2000)); // stations are not in step: each starts when its pupil does
        try {
            stationRound(rc, gen);
        } catch (const TError& e) {
            std::cout << "error " << e.message().toStdString() << std::endl;
            DM->TZak->close();
        }
    }
    std::cout << "done" << std::endl;
    return 0;
}

struct TStation
{
    std::unique_ptr<QProcess> process;
    bool contender = false;
};

QByteArray readLine(QProcess& p, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!p.canReadLine()) {
        if (p.state() == QProcess::NotRunning && !p.canReadLine())
            return QByteArray("error the station ended");
        if (t.elapsed() > timeoutMs ||
            !p.waitForReadyRead(int(std::max<qint64>(1, timeoutMs - t.elapsed()))))
            if (!p.canReadLine())
                return QByteArray("error no answer from the station");
    }
    return p.readLine().trimmed();
}

double percentile(QList<qint64> v, double p)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype i = std::min(v.size() - 1, qsizetype(p * double(v.size()) + 0.999999) - 1);
    return double(v[std::max<qsizetype>(0, i)]);
}

struct TOptions
{
    int stations = 200;
    int contenders = 20;
    int contested = 4;
    int rounds = 3;
    bool keep = false;
};

// The pupils: one per station and the contested ones; all through the program's pupil query.
bool addPupils(const QString& programDir, const TOptions& o)
{
    TDM dm;
    if (!openStation(dm, programDir, programDir))
        return false;
    for (int i = 0; i < o.stations + o.contested; ++i) {
        dm.QZak->append();
        dm.QZak->setValue(QStringLiteral("RC"), i < o.stations ? rcOfStation(i) : rcOfContested(i - o.stations));
        dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Žák %1").arg(i + 1));
        dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
        dm.QZak->setValue(QStringLiteral("HESLO"), QStringLiteral("heslo"));
        dm.QZak->post();
    }
    dm.QZak->postAndApply();
    return true;
}

struct TTally
{
    QList<qint64> signIns, stores;
    int stored = 0, refused = 0, signedIn = 0;
    QStringList errors;                             // texts that are not the program's own
    std::map<std::string, int> programErrors;       // the program's own messages, counted
    std::map<std::string, std::vector<std::pair<qint64, qint64>>> holds; // contested RC -> intervals
    std::map<int, int> storedPerPupil;
};

bool isProgramMessage(const QString& text)
{
    for (const QString& m : {Str::DatabaseBusy, Str::SignInTakenOver, Str::AlreadySignedIn, Str::ServerConnectionLost})
        if (text.startsWith(m.left(30)))
            return true;
    return false;
}

void readStation(TStation& s, TTally& tally)
{
    for (;;) {
        const QByteArray line = readLine(*s.process, 300000);
        const QList<QByteArray> w = line.split(' ');
        if (w[0] == "done")
            return;
        if (w[0] == "signin") {
            tally.signIns << w.value(1).toLongLong();
            ++tally.signedIn;
        } else if (w[0] == "refused") {
            tally.signIns << w.value(1).toLongLong();
            ++tally.refused;
        } else if (w[0] == "stored") {
            tally.stores << w.value(1).toLongLong();
            ++tally.stored;
            ++tally.storedPerPupil[w.value(2).toInt()];
        } else if (w[0] == "held") {
            if (s.contender)
                tally.holds[w.value(1).toStdString()].push_back({w.value(2).toLongLong(), w.value(3).toLongLong()});
        } else {
            const QString text = QString::fromUtf8(line.mid(6));
            if (w[0] == "error" && isProgramMessage(text))
                ++tally.programErrors[text.toStdString()];
            else
                tally.errors << QString::fromUtf8(line);
            if (line.startsWith("error the station") || line.startsWith("error no answer"))
                return;
        }
    }
}

// Two stations that held one contested pupil at the same time.
int overlaps(TTally& tally)
{
    int n = 0;
    for (auto& [rc, v] : tally.holds) {
        std::sort(v.begin(), v.end());
        for (size_t i = 1; i < v.size(); ++i)
            if (v[i].first < v[i - 1].second)
                ++n;
    }
    return n;
}

// The reports per pupil on the server, counted apart from what the stations said.
std::map<int, int> storedOnServer(const QString& database)
{
    std::map<int, int> rows;
    QString error;
    if (!adminExec(QStringLiteral("SELECT ID_ZAK, count(*) FROM STATIS GROUP BY ID_ZAK"), &error, nullptr, database,
                   &rows))
        std::cerr << qPrintable(error) << std::endl;
    return rows;
}

int coordinatorMain(const TOptions& o)
{
    if (qEnvironmentVariable("FERDANO_TEST_PG").isEmpty()) {
        std::cerr << "FERDANO_TEST_PG names no server (scripts/loadtest.sh starts one)" << std::endl;
        return 2;
    }
    QString error;
    QVariant maxConnections;
    adminExec(QStringLiteral("SHOW max_connections"), &error, &maxConnections);
    if (maxConnections.toInt() < o.stations + o.contenders + 5) {
        std::cerr << "the server allows " << maxConnections.toInt() << " connections; " << o.stations + o.contenders
                  << " stations need more (max_connections)" << std::endl;
        return 2;
    }
    QTemporaryDir dir;
    dir.setAutoRemove(!o.keep);
    TServerConfig config = adminConfig();
    config.database = QStringLiteral("ferdano_load_%1").arg(::getpid());
    if (!adminExec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(config.database),
                   &error)) {
        std::cerr << qPrintable(error) << std::endl;
        return 2;
    }
    auto dropDatabase = qScopeGuard([&] {
        if (!o.keep)
            adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(config.database), &error);
    });
    const TBuildResult loaded = ServerLoad::loadSample(config);
    if (!loaded.ok) {
        std::cerr << qPrintable(loaded.problems.join(u'\n')) << std::endl;
        return 2;
    }
    const QString dbDir = dir.path() + QStringLiteral("/DB");
    QDir().mkpath(dbDir);
    QFile f(QDir(dbDir).filePath(QString::fromLatin1(ServerFileName)));
    if (!f.open(QIODevice::WriteOnly) || f.write(config.toText().toUtf8()) < 0) {
        std::cerr << "cannot write the server file" << std::endl;
        return 2;
    }
    f.close();
    if (!addPupils(dir.path(), o))
        return 2;
    const std::map<int, int> before = storedOnServer(config.database);

    std::vector<TStation> stations;
    for (int i = 0; i < o.stations + o.contenders; ++i) {
        TStation s;
        s.contender = i >= o.stations;
        s.process = std::make_unique<QProcess>();
        s.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString temp = dir.path() + QStringLiteral("/station%1").arg(i + 1);
        QDir().mkpath(temp);
        QStringList args = {QStringLiteral("--station"), dir.path(), temp, QString::number(1000 + i)};
        for (int r = 0; r < o.rounds; ++r)
            args << (s.contender ? rcOfContested((i + r) % o.contested) : rcOfStation(i));
        s.process->start(QCoreApplication::applicationFilePath(), args);
        stations.push_back(std::move(s));
    }
    int ready = 0;
    for (TStation& s : stations) {
        const QByteArray line = readLine(*s.process, 120000);
        if (line == "ready")
            ++ready;
        else
            std::cerr << "a station did not open: " << line.constData() << std::endl;
    }
    QElapsedTimer wall;
    wall.start();
    for (TStation& s : stations)
        s.process->write("go\n");
    // without an event loop a process's input is written only in a wait on it: all at once here
    for (TStation& s : stations)
        s.process->waitForBytesWritten(10000);
    TTally tally;
    for (TStation& s : stations)
        readStation(s, tally);
    const qint64 wallMs = wall.elapsed();
    for (TStation& s : stations)
        if (!s.process->waitForFinished(30000))
            s.process->kill();

    // what the server holds, counted apart from what the stations said
    std::map<int, int> after = storedOnServer(config.database);
    int onServer = 0, mismatched = 0;
    for (auto& [pupil, n] : after) {
        const int added = n - (before.count(pupil) ? before.at(pupil) : 0);
        onServer += added;
        if (added != (tally.storedPerPupil.count(pupil) ? tally.storedPerPupil.at(pupil) : 0))
            ++mismatched;
    }
    for (auto& [pupil, n] : tally.storedPerPupil)
        if (!after.count(pupil))
            ++mismatched;
    const int doubleHolds = overlaps(tally);
    int contestedHolds = 0;
    for (auto& [rc, v] : tally.holds)
        contestedHolds += int(v.size());

    std::printf("stations: %d with a pupil of their own, %d contending for %d pupils; %d rounds each; all "
                "started: %s; wall time %lld ms\n",
                o.stations, o.contenders, o.contested, o.rounds,
                ready == o.stations + o.contenders ? "yes" : "no", static_cast<long long>(wallMs));
    std::printf("server: max_connections %d\n", maxConnections.toInt());
    std::printf("reports stored: %d by the stations, %d new rows in STATIS, pupils whose rows differ from "
                "their stores: %d\n",
                tally.stored, onServer, mismatched);
    std::printf("sign-ins: %d, refused because the pupil is signed in elsewhere: %d\n", tally.signedIn,
                tally.refused);
    std::printf("contested pupils: %d holds, times two stations held one pupil at once: %d\n", contestedHolds,
                doubleHolds);
    std::printf("sign-in: median %.0f ms, p99 %.0f ms, slowest %.0f ms (goal p99 <= 100 ms)\n",
                percentile(tally.signIns, 0.5), percentile(tally.signIns, 0.99), percentile(tally.signIns, 1));
    std::printf("scoring and storing: median %.0f ms, p99 %.0f ms, slowest %.0f ms (goal p99 <= 250 ms)\n",
                percentile(tally.stores, 0.5), percentile(tally.stores, 0.99), percentile(tally.stores, 1));
    for (const auto& [text, n] : tally.programErrors)
        std::printf("the program's message %d times: %s\n", n, text.c_str());
    for (const QString& e : tally.errors)
        std::printf("unexpected: %s\n", qPrintable(e));
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at the end: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    const int expectedOwn = o.stations * o.rounds;
    const bool ok = ready == o.stations + o.contenders && tally.errors.isEmpty() && mismatched == 0 &&
                    onServer == tally.stored && tally.stored >= expectedOwn && doubleHolds == 0 &&
                    contestedHolds > 0 && percentile(tally.signIns, 0.99) <= 100 &&
                    percentile(tally.stores, 0.99) <= 250;
    std::printf("%s\n", ok ? "OK" : "FAILED");
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && qstrcmp(argv[1], "--station") == 0) {
        QCoreApplication app(argc, argv);
        return stationMain(app.arguments());
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the sample pictures are drawn without a screen
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Load test of many stations on one PostgreSQL server."));
    parser.addHelpOption();
    const QCommandLineOption stations(QStringLiteral("stations"), QStringLiteral("Stations with a pupil each."),
                                      QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption contenders(QStringLiteral("contenders"),
                                        QStringLiteral("Stations contending for the shared pupils."),
                                        QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption contested(QStringLiteral("contested"), QStringLiteral("Shared pupils."),
                                       QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Tests per station."),
                                    QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Keep the database and the directory."));
    parser.addOptions({stations, contenders, contested, rounds, keep});
    parser.process(app);
    TOptions o;
    o.stations = std::max(1, parser.value(stations).toInt());
    o.contenders = std::max(1, parser.value(contenders).toInt());
    o.contested = std::max(1, parser.value(contested).toInt());
    o.rounds = std::max(1, parser.value(rounds).toInt());
    o.keep = parser.isSet(keep);
    return coordinatorMain(o);
}
