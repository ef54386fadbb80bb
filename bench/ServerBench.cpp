// The program far from its PostgreSQL server: every operation a pupil waits for, run through a
// proxy of the benchmark's own that holds each chunk of bytes 15 ms in each direction (a link
// of 30 ms round trip), with the statements and round trips that reach the server counted.
// Each figure is printed beside its floor: the round trips it needs times the link's round trip.
// Run with: bash scripts/bench.sh (which starts a throwaway server), or by hand with
// FERDANO_TEST_PG (socket directory), FERDANO_TEST_PG_PORT, FERDANO_TEST_PG_USER set.
#include "BenchProcess.h"
#include "BenchWindows.h"
#include "LinkProxy.h"
#include "ServerLoad.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Statements.h"
#include "data/Globals.h"
#include "data/PgEngine.h"
#include "data/SignInLock.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "pupils/SignIn.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "testing/TestScoring.h"
#include "widgets/Form.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUuid>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr int OneWayMs = 15;
constexpr int RoundTripMs = 2 * OneWayMs;

struct TFarRow
{
    QString name;
    TSeries value;
    double statements = 0;
    double roundTrips = 0;
    double goalMs = 0; // 0: no goal
    double floorMs() const { return roundTrips * RoundTripMs; }
    double ratio() const { return floorMs() > 0 ? value.median() / floorMs() : 0; }
    bool met() const { return goalMs <= 0 || value.median() <= goalMs; }
};

std::vector<TFarRow> g_rows;
TLinkProxy* g_proxy = nullptr;

// Runs `body` once unmeasured, then `reps` times measured; the counts are those of one run.
TFarRow measureFar(const QString& name, int reps, double goalMs, const std::function<void()>& body)
{
    body();
    TFarRow row{name, {}, 0, 0, goalMs};
    const TLinkProxy::Counts before = g_proxy->counts();
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        row.value.values.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const TLinkProxy::Counts d = g_proxy->counts() - before;
    row.statements = double(d.statements) / reps;
    row.roundTrips = double(d.roundTrips) / reps;
    std::fprintf(stderr, "  %-62s %8.1f ms, %5.1f round trips, %5.1f statements %s\n", qPrintable(name),
                 row.value.median(), row.roundTrips, row.statements,
                 goalMs <= 0 ? "" : row.met() ? "ok" : "MISSED");
    g_rows.push_back(row);
    return row;
}

TServerConfig adminConfig(const QString& database)
{
    return testServerConfig(database);
}

// Statements of the benchmark's own set-up, straight to the server (not through the link).
QList<QVariantList> adminRun(const QString& database, const QString& sql)
{
    const QString name = QStringLiteral("bench-admin-") + QUuid::createUuid().toString(QUuid::Id128);
    QList<QVariantList> rows;
    {
        QSqlDatabase db;
        try {
            db = TPgEngine::connect(adminConfig(database), name);
        } catch (const TError& e) {
            benchFail(e.message());
        }
        QSqlQuery q(db);
        if (!q.exec(sql))
            benchFail(q.lastError().text() + QStringLiteral(": ") + sql);
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QVector<qint64> idsOf(const QList<QVariantList>& rows)
{
    QVector<qint64> ids;
    for (const QVariantList& r : rows)
        ids << r.value(0).toLongLong();
    return ids;
}

// The database: the sample bank, 10 000 more pupils, the group counts of a 25-question test.
void prepareDatabase(const QString& database)
{
    adminRun(QStringLiteral("postgres"),
             QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(database));
    const TBuildResult loaded = ServerLoad::loadSample(adminConfig(database));
    if (!loaded.ok)
        benchFail(loaded.problems.join(u'\n'));
    adminRun(database, QStringLiteral("INSERT INTO ZAK (RC, PRIJMENI, JMENO, RP, HESLO) SELECT 'b' || g, "
                                      "'Příjmení ' || (g * 7919 % 10000), 'Jméno ' || g, "
                                      "(SELECT min(RP) FROM RP), 'heslo' FROM generate_series(1, 10000) g"));
    adminRun(database, QStringLiteral("UPDATE OKRUHOT SET Pocet = 3, PocetDef = 3"));
    adminRun(database, QStringLiteral("UPDATE OKRUHOT SET Pocet = 7, PocetDef = 7 WHERE PORADI = "
                                      "(SELECT min(PORADI) FROM OKRUHOT)"));
    adminRun(database, QStringLiteral("ANALYZE"));
}

// Runs `body` once the modal window is on the screen, then ends the window's modal run. A
// window's own reads may run an event loop before its modal run starts, so a timer queued before
// the run could fire before the window is shown, and a run ended before it started would never
// end: the timer goes on ending it until the caller, back from the run, deletes the timer.
QTimer* whenShown(TForm* window, std::function<void()> body)
{
    auto* poll = new QTimer(window);
    auto done = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, window, [window, done, body = std::move(body)] {
        if (!*done && window->isVisible()) {
            *done = true;
            body();
        }
        if (*done)
            window->abandonModalRun();
    });
    poll->start(1);
    return poll;
}

void signInAs(const QString& rc)
{
    // the sign-in dialog's steps after "Ok": the look-up, the password, the lock, the pupil
    TQuery* q = DM->QTmp;
    DM->OpenPupilByRc(*q, rc);
    if (q->isEmpty() || !PasswordMatches(QStringLiteral("heslo"), q->asString(QStringLiteral("HESLO"))))
        benchFail(QStringLiteral("no pupil ") + rc);
    if (!DM->TZak->moveLockTo(q->asInteger(QStringLiteral("ID_ZAK"))))
        benchFail(QStringLiteral("the pupil is signed in elsewhere: ") + rc);
    FillSignedInPupil(*q);
}

void measureWindows(const QString& database)
{
    const QVector<qint64> plain = idsOf(adminRun(
        database, QStringLiteral("SELECT ID_OTAZKA FROM OTAZKA WHERE ID_PICT IS NULL OR ID_PICT NOT IN "
                                 "(SELECT ID_PICT FROM BMP) ORDER BY ID_OTAZKA LIMIT 21")));
    const QVector<qint64> pictured = idsOf(adminRun(
        database, QStringLiteral("SELECT ID_OTAZKA FROM OTAZKA WHERE ID_PICT IN (SELECT ID_PICT FROM BMP) "
                                 "ORDER BY ID_OTAZKA LIMIT 4")));
    if (plain.size() < 21 || pictured.size() < 4)
        benchFail(QStringLiteral("the sample bank has too few questions with and without a picture"));
    const QVector<qint64> ids = plain + pictured;

    measureFar(QStringLiteral("a sign-in (look-up, password, lock, pupil)"), 10, 300, [] {
        static int k = 0;
        signInAs(QStringLiteral("b%1").arg(1 + (k++ % 2)));
    });
    measureFar(QStringLiteral("a random live test drawn (25 questions)"), 5, 0, [] {
        if (!TestTypeDlg->GenerateRandomTest())
            benchFail(QStringLiteral("no random test drawn"));
    });

    TQuery* set = DM->QTestType3;
    Statements::OpenDrawnQuestions(*set, ids);
    QTimer* closing = whenShown(TestDlg, [&] {
        auto rowOf = [&](qint64 id) {
            for (int r = 0; r < set->recordCount(); ++r)
                if (set->valueAt(r, QStringLiteral("ID_OTAZKA")).toLongLong() == id)
                    return r;
            benchFail(QStringLiteral("question %1 not in the set").arg(id));
        };
        int k = 0;
        measureFar(QStringLiteral("a question move, no picture"), 20, 100, [&] {
            set->moveTo(rowOf(plain[k++ % plain.size()]));
            TestDlg->ShowQuestion();
        });
        measureFar(QStringLiteral("a question move, with a picture"), 10, 100, [&] {
            set->moveTo(rowOf(pictured[k++ % pictured.size()]));
            TestDlg->ShowQuestion();
        });
        TTestScoring scorer;
        int run = 0;
        QElapsedTimer t;
        TSeries series;
        TLinkProxy::Counts counted;
        for (int i = 0; i < 11; ++i) {
            Statements::OpenDrawnQuestions(*set, ids);
            answerAboutHalf(*set, run++);
            const TLinkProxy::Counts before = g_proxy->counts();
            t.start();
            scorer.scoreAndStore(*set, 0, QStringLiteral("Ostré testy - Náhodně vygenerovaný test"), tmLive);
            if (i > 0) {
                series.values.push_back(double(t.nsecsElapsed()) / 1e6);
                counted = g_proxy->counts() - before;
            }
        }
        TFarRow row{QStringLiteral("scoring and storing a 25-question live test"), series,
                    double(counted.statements), double(counted.roundTrips), 500};
        std::fprintf(stderr, "  %-62s %8.1f ms, %5.1f round trips %s\n", qPrintable(row.name),
                     row.value.median(), row.roundTrips, row.met() ? "ok" : "MISSED");
        g_rows.push_back(row);
    });
    TestDlg->RunTest(tmBrowse, 0, QStringLiteral("Ostré testy - benchmark"), set, false, 0);
    delete closing;

    signInAs(QStringLiteral("b1"));
    measureFar(QStringLiteral("the register of 10 000 pupils opened (query, window, first paint)"), 3, 0, [] {
        DM->OpenRegister(false, PrivilegedPupilId);
        QTimer* closing = whenShown(ZakListDlg, [] { ZakListDlg->repaint(); });
        ZakListDlg->Execute();
        delete closing;
    });
}

void measureStartUp(const QString& programDir)
{
    const QString program = programDir + QStringLiteral("/ferdano");
    const QString tmp = programDir + QStringLiteral("/tmp");
    const QByteArray env = "FERDANO_BENCH_EXIT_AT_SIGNIN=1";
    const char* marker = "sign-in window shown";
    measureFar(QStringLiteral("start of the program to the sign-in window"), 10, 1500,
               [&] { (void)runUntilMarker(program, tmp, env, marker); });
}

void printReport()
{
    QTextStream out(stdout);
    out << "\n## Far from the server\n\n";
    double load[3] = {};
    out << "The program against a PostgreSQL server on this machine through a proxy that holds every "
           "chunk of bytes "
        << OneWayMs << " ms in each direction (" << RoundTripMs
        << " ms round trip). Statements and round trips are counted by the proxy: a round trip is "
           "each time the program sends after the server has answered (a new connection adds one for "
           "its handshake). The floor is the round trips times "
        << RoundTripMs << " ms.";
    if (getloadavg(load, 3) == 3)
        out << " Load average at the end: " << load[0] << " " << load[1] << " " << load[2] << ".";
    out << "\n\n| Operation | statements | round trips | median | slowest | floor | ratio | goal | met |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|---|---|\n";
    for (const TFarRow& r : g_rows) {
        out << "| " << r.name << " | " << QString::number(r.statements, 'f', 0) << " | "
            << QString::number(r.roundTrips, 'f', 0) << " | " << QString::number(r.value.median(), 'f', 1)
            << " ms | " << QString::number(r.value.slowest(), 'f', 1) << " ms | "
            << QString::number(r.floorMs(), 'f', 0) << " ms | " << QString::number(r.ratio(), 'f', 2) << " | "
            << (r.goalMs > 0 ? QStringLiteral("median <= %1 ms").arg(r.goalMs) : QStringLiteral("no goal"))
            << " | " << (r.goalMs <= 0 ? "-" : r.met() ? "yes" : "**no**") << " |\n";
    }
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariable("FERDANO_TEST_PG").isEmpty()) {
        std::fprintf(stderr, "FERDANO_TEST_PG names no server: the far-station figures are skipped\n");
        return 0;
    }
    SetGeneralErrorSink([](const QString& text) { benchFail(QStringLiteral("error shown: ") + text); });
    TSystemDlg::setAutoAnswer([](const QString&, bool) { return false; });
    TResultDlg::setAutoAnswer([](const TResultDlg::Shown&) { return false; });

    const QString database = QStringLiteral("ferdano_bench_%1").arg(::getpid());
    std::fprintf(stderr, "loading the sample bank and 10 000 pupils into %s...\n", qPrintable(database));
    prepareDatabase(database);
    auto dropDatabase = qScopeGuard([&] {
        adminRun(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
    });
    const int port = qEnvironmentVariableIntValue("FERDANO_TEST_PG_PORT");
    TLinkProxy proxy(qEnvironmentVariable("FERDANO_TEST_PG") + QStringLiteral("/.s.PGSQL.%1").arg(port > 0 ? port : 5432),
                     OneWayMs);
    g_proxy = &proxy;

    QTemporaryDir work;
    const QString programDir = work.path();
    QDir().mkpath(programDir + QStringLiteral("/DB"));
    QDir().mkpath(programDir + QStringLiteral("/tmp"));
    TServerConfig far = adminConfig(database);
    far.host = QStringLiteral("127.0.0.1");
    far.port = proxy.port();
    {
        QFile f(programDir + QStringLiteral("/DB/server.conf"));
        if (!f.open(QIODevice::WriteOnly) || f.write(far.toText().toUtf8()) < 0)
            benchFail(QStringLiteral("cannot write the server file"));
    }
    if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/ferdano"),
                     programDir + QStringLiteral("/ferdano")))
        benchFail(QStringLiteral("cannot copy the program"));

    std::fprintf(stderr, "measuring far from the server (%d ms round trip)...\n", RoundTripMs);
    measureStartUp(programDir);
    {
        TDM dm;
        TDM::Options o;
        o.programDir = programDir;
        o.tempDir = programDir + QStringLiteral("/tmp");
        dm.DMCreate(o);
        const TBenchWindows windows;
        measureWindows(database);
    }
    printReport();
    return 0;
}
