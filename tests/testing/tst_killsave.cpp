// Crashes lose nothing: a station killed at random moments while it saves a pupil, stores a live-test
// report or writes the wrong-answer bookkeeping leaves a sound database, whole reports and no lock or
// instance marker in the way of the next start; a live test's report arrives with its bookkeeping.
#include "TestDb.h"

#include "data/Clock.h"
#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Globals.h"
#include "data/ScoredTest.h"
#include "data/SignInLock.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "pupils/SignIn.h"
#include "testing/Evaluation.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <iostream>
#include <unistd.h>

namespace {

const QString KillRc = QStringLiteral("obet");
const QString KillSurname = QStringLiteral("Původní");
constexpr int QuestionsPerTest = 8;
constexpr int TestId = 1;

// The questions the child's tests are made of.
QList<int> questionIds(QSqlDatabase& db)
{
    QList<int> ids;
    QSqlQuery q(db);
    q.exec(QStringLiteral("select ID_OTAZKA from OTAZKA order by ID_OTAZKA limit %1").arg(QuestionsPerTest));
    while (q.next())
        ids << q.value(0).toInt();
    return ids;
}

QVariant scalar(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return QVariant();
    return q.value(0);
}

} // namespace

class TstKillSave : public QObject
{
    Q_OBJECT
private slots:
    void killedWhileWriting_data();
    void killedWhileWriting();
};

void TstKillSave::killedWhileWriting_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("kills");
    // Together well over 200 kills; each costs a start of the child and a check.
    QTest::newRow("pupil saved through QZak") << QStringLiteral("zak") << 70;
    QTest::newRow("live-test report into STATIS") << QStringLiteral("report") << 70;
    QTest::newRow("whole live test: ZAKODP, ZAKTEST, STATIS") << QStringLiteral("test") << 70;
}

void TstKillSave::killedWhileWriting()
{
    QFETCH(QString, kind);
    QFETCH(int, kills);
    TTestDb testDb;
    const TDM::Options o = testDb.options();
    const QString file = testDb.dbDir() + QStringLiteral("/ferdano.db");
    int pupil = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(
            q.exec(QStringLiteral("insert into ZAK (RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) "
                                  "values ('%1', 'x', '%2', '%2', '', 'B', '', '')")
                       .arg(KillRc, KillSurname)));
        pupil = scalar(db, QStringLiteral("select ID_ZAK from ZAK where RC='%1'").arg(KillRc)).toInt();
        QCOMPARE(questionIds(db).size(), QuestionsPerTest);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    QVERIFY(pupil > 1);

    const QRegularExpression lastLine(QStringLiteral("^               Celkem :[ 0-9]{4}   [ 0-9]{4}\\r\\n$"));
    int killedMidWrite = 0;
    int reportsSeen = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--writer"), o.programDir, o.tempDir, kind, QString::number(pupil),
                     QString::number(i * 100000)});
        QVERIFY(child.waitForStarted());
        QElapsedTimer t;
        t.start();
        while (!child.canReadLine() && t.elapsed() < 20000 && child.state() == QProcess::Running)
            child.waitForReadyRead(50);
        const QByteArray ready = child.readLine().trimmed();
        QVERIFY2(ready == "ready", ready.constData());
        QTest::qSleep(5 + int(QRandomGenerator::global()->bounded(76)));
        const bool stillRunning = child.state() == QProcess::Running;
        QVERIFY2(stillRunning, "the writer ended by itself");
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QByteArray said = child.readAllStandardOutput();
        QVERIFY2(!said.contains("error"), said.constData());
        if (said.contains("wrote"))
            ++killedMidWrite;

        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QCOMPARE(scalar(db, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("select REPORT, PTOTAL, PCURRENT, TEST_NAME from STATIS")));
            while (q.next()) {
                ++reportsSeen;
                const QString report = q.value(0).toString();
                QVERIFY2(report.contains(QStringLiteral("\r\n   \r\n   Oprávnění : B\r\n")),
                         qPrintable(report.left(80)));
                const qsizetype last = report.lastIndexOf(QStringLiteral("\r\n"), report.size() - 3);
                QVERIFY2(lastLine.match(report.mid(last + 2)).hasMatch(), qPrintable(report.right(60)));
                QVERIFY(!q.value(3).toString().isEmpty());
            }
            if (kind == QLatin1String("zak")) {
                // The pupil's two columns and the new pupil of one save arrive together or not at all.
                QVERIFY(q.exec(QStringLiteral("select PRIJMENI, JMENO from ZAK where ID_ZAK=%1").arg(pupil)));
                QVERIFY(q.next());
                const QString tag = q.value(0).toString();
                QCOMPARE(q.value(1).toString(), tag);
                const QString newest = scalar(db, QStringLiteral("select RC from ZAK where RC like 'n%' "
                                                                 "order by ID_ZAK desc limit 1"))
                                           .toString();
                QCOMPARE(newest, tag == KillSurname ? QString() : tag);
            } else if (kind == QLatin1String("test")) {
                // One test's bookkeeping is whole: all its questions wrong with the stored test
                // unfinished, or all right with the stored test done.
                const int wrong =
                    scalar(db, QStringLiteral("select count(*) from ZAKODP where ID_ZAK=%1").arg(pupil))
                        .toInt();
                const int unfinished =
                    scalar(db, QStringLiteral("select count(*) from ZAKTEST where ID_ZAK=%1").arg(pupil))
                        .toInt();
                QVERIFY2(
                    (wrong == 0 && unfinished == 0) || (wrong == QuestionsPerTest && unfinished == 1),
                    qPrintable(
                        QStringLiteral("%1 wrong answers, %2 unfinished tests").arg(wrong).arg(unfinished)));
                // The report arrives with its test: the newest one scores what the bookkeeping holds
                // (no report at all only while nothing but right answers was stored).
                QVERIFY(q.exec(QStringLiteral("select PCURRENT, PTOTAL from STATIS where ID_ZAK=%1 "
                                              "order by ID_STATIS desc limit 1")
                                   .arg(pupil)));
                if (q.next())
                    QCOMPARE(q.value(0).toInt() == q.value(1).toInt(), wrong == 0);
                else
                    QCOMPARE(wrong, 0);
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));

        // The next start: the same private directory, and the killed station's pupil signs in again.
        {
            TDM dm;
            try {
                dm.DMCreate(o);
            } catch (const TError& e) {
                QFAIL(qPrintable(e.message()));
            }
            QVERIFY(dm.DB.connected());
            QVERIFY(dm.engine().signInLock().tryLock(pupil));
            dm.engine().signInLock().release(pupil);
        }
    }
    qInfo("%s: %d kills, %d of them after the first completed write, %d whole reports checked",
          qPrintable(kind), kills, killedMidWrite, reportsSeen);
}

// "--writer PROGRAMDIR TEMPDIR KIND PUPIL BASE": signs the pupil in and writes until it is killed.
static int runWriter(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDM::Options o;
    o.programDir = QString::fromLocal8Bit(argv[2]);
    o.tempDir = QString::fromLocal8Bit(argv[3]);
    const QString kind = QString::fromLocal8Bit(argv[4]);
    const int pupil = atoi(argv[5]);
    int tag = atoi(argv[6]);
    TDM dm;
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        std::cout << "error " << e.what() << std::endl;
        return 1;
    }
    if (!dm.TZak->moveLockTo(pupil)) {
        std::cout << "not locked" << std::endl;
        return 1;
    }
    dm.OpenPupilById(*dm.QTmp, pupil);
    FillSignedInPupil(*dm.QTmp);
    TSystemDlg system;
    TResultDlg result;
    TInfoDlg info;
    TTestDlg test;
    test.setPanel(&info);
    TSystemDlg::setAutoAnswer([](const QString&, bool) { return true; });
    TResultDlg::setAutoAnswer([](const TResultDlg::Shown&) { return false; });
    SetGeneralErrorSink(
        [](const QString& text) { std::cout << "error " << text.toStdString() << std::endl; });
    QList<int> ids;
    {
        TQuery* q = dm.QTmp;
        q->close();
        q->clearSql();
        q->addLine(QStringLiteral("select ID_OTAZKA from OTAZKA order by ID_OTAZKA"));
        q->open();
        for (; !q->eof() && ids.size() < QuestionsPerTest; q->next())
            ids << q->asInteger(QStringLiteral("ID_OTAZKA"));
    }
    const QStringList evaluation = {QStringLiteral("      %1     a     a      2"), QString(),
                                    QStringLiteral("Prošel. ")};
    std::cout << "ready" << std::endl;
    for (bool right = true;; right = !right, ++tag) {
        if (kind == QLatin1String("zak")) {
            TQuery* zak = dm.QZak;
            zak->close();
            zak->open();
            if (!zak->locate(QStringLiteral("ID_ZAK"), pupil))
                return 2;
            const QString t = QStringLiteral("n%1").arg(tag);
            zak->edit();
            zak->setValue(QStringLiteral("PRIJMENI"), t);
            zak->setValue(QStringLiteral("JMENO"), t);
            zak->append();
            zak->setValue(QStringLiteral("ID_ZAK"), -1);
            zak->setValue(QStringLiteral("RC"), t);
            zak->setValue(QStringLiteral("PRIJMENI"), t);
            zak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
            zak->postAndApply();
        } else if (kind == QLatin1String("report")) {
            // A long report, so that a kill can fall into the middle of writing it; a random test's,
            // so that the report is all there is to store.
            QStringList lines;
            for (int n = 1; n <= 200; ++n)
                lines << QStringLiteral("    * %1     a     b      2").arg(n, 3);
            lines << evaluation.mid(1);
            TScoredTest report;
            report.pupilId = pupil;
            const QString caption = QStringLiteral("Ostré testy - Test číslo %1").arg(tag);
            const QDateTime when = Clock::now();
            report.report = TScoredTest::Report{when,
                                                caption,
                                                400,
                                                tag % 400,
                                                ComposeReport(SignedInPupil.FullName,
                                                              QString(SignedInPupil.LicenceCategory), when,
                                                              caption, lines, 400, tag % 400),
                                                false};
            dm.StoreScoredTest(report);
        } else {
            QVector<QVector<QVariant>> rows;
            for (int id : std::as_const(ids))
                rows.append({id, 1, QStringLiteral("Otázka"), 0, QStringLiteral("1000"), 2,
                             right ? QStringLiteral("1000") : QStringLiteral("0100")});
            TQuery set(QStringLiteral("Set"));
            set.openRows({"ID_OTAZKA", "ID_OKRUH", "OTAZKA", "ID_PICT", "AA", "BB", "CC"}, rows);
            QTimer::singleShot(0, &test, [&test] { test.OkBtnClick(); });
            test.RunTest(tmLive, TestId, QStringLiteral("Ostré testy - Test číslo 1"), &set, false, 0);
        }
        std::cout << "wrote" << std::endl;
    }
}

int main(int argc, char** argv)
{
    if (argc >= 7 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(argc, argv);
    QApplication app(argc, argv);
    TstKillSave t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_killsave.moc"
