// Loading the bank into a server database: pupils kept or refused, dangling wrong answers
// dropped, keys continuing after the copied ones, and a failed load changing nothing.
#include "TestDb.h"

#include "Builder.h"
#include "ServerLoad.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"

#include <QDir>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {

int count(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->open();
    return dm.QTmp->value(dm.QTmp->fieldNames().first()).toInt();
}

void exec(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->execSql();
}

// A pupil with a report, two failed tests, two wrong answers and two answers' outcomes, one test and
// one question of which no bank has.
int addPupilWithHistory(TDM& dm)
{
    dm.QZak->append();
    dm.QZak->setValue(QStringLiteral("RC"), QStringLiteral("svoboda"));
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Svoboda"));
    dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    dm.QZak->postAndApply();
    const int id = dm.QZak->asInteger(QStringLiteral("ID_ZAK"));
    exec(dm, QStringLiteral("insert into STATIS (ID_ZAK, ID_TEST, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                            "values (%1, 1, 50, 40, 'zpráva', 'Test číslo 1')")
                 .arg(id));
    exec(dm, QStringLiteral("insert into ZAKTEST (ID_ZAK, ID_TEST) values (%1, 1)").arg(id));
    exec(dm, QStringLiteral("insert into ZAKTEST (ID_ZAK, ID_TEST) values (%1, 99999)").arg(id));
    exec(dm, QStringLiteral("insert into ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) values (%1, %2, '1000')")
                 .arg(id)
                 .arg(count(dm, QStringLiteral("select min(ID_OTAZKA) from OTAZKA"))));
    exec(
        dm,
        QStringLiteral("insert into ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) values (%1, 99999, '0001')").arg(id));
    for (const QString& question : {QStringLiteral("(select min(ID_OTAZKA) from OTAZKA)"), QStringLiteral("99999")})
        exec(dm, QStringLiteral("insert into ZAKVYSL (ID_ZAK, ID_OTAZKA, SPRAVNE, DATETIME, REZIM) "
                                "values (%1, %2, 0, '2026-12-01 10:00:00', 4)")
                     .arg(id)
                     .arg(question));
    return id;
}

// Loads the tests' own bank, as the builder's --server form does: validated into SQLite first.
TBuildResult loadTestBank(const TServerConfig& config, const TServerLoadOptions& options = {})
{
    QTemporaryDir temp;
    TBuildOptions build;
    build.force = true;
    const TBuildResult built = Builder::importBank(QStringLiteral(FERDANO_TEST_BANK_DIR), temp.path(), build);
    if (!built.ok)
        return built;
    return ServerLoad::loadFromSqlite(config, temp.filePath(QStringLiteral("ferdano.db")), options);
}

} // namespace

class TstServerLoad : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void keepsPupils();
    void refusesToReplacePupils();
    void forcedReplace();
    void failedLoadChangesNothing();
    void missingSource();
    void refusedWhileStationsAreSignedIn();
};

void TstServerLoad::init()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
}

void TstServerLoad::keepsPupils()
{
    TTestDb db;
    int pupil;
    {
        TDM& dm = db.open();
        pupil = addPupilWithHistory(dm);
        exec(dm,
             QStringLiteral(
                 "update OTAZKA set OTAZKA='změněno' where ID_OTAZKA=(select min(ID_OTAZKA) from OTAZKA)"));
    }
    db.closeDm();
    const TBuildResult r = loadTestBank(*db.serverConfig());
    QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
    QVERIFY2(r.notes.join(u'\n').contains(QStringLiteral("jejichž otázka v bance už není: 1")),
             qPrintable(r.notes.join(u'\n')));
    QVERIFY2(r.notes.join(u'\n').contains(QStringLiteral("jejichž test v bance už není: 1")),
             qPrintable(r.notes.join(u'\n')));
    TDM& dm = db.open();
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK where RC='svoboda'")), 1);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from STATIS")), 1);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKTEST")), 1);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKODP")), 1);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKVYSL")), 1);
    QVERIFY2(r.notes.join(u'\n').contains(
                 QStringLiteral("vyřazeno výsledků odpovědí (ZAKVYSL), jejichž otázka v bance už není: 1")),
             qPrintable(r.notes.join(u'\n')));
    QCOMPARE(
        count(dm, QStringLiteral(
                      "select count(*) from ZAKODP where ID_OTAZKA=(select min(ID_OTAZKA) from OTAZKA)")),
        1);
    // the bank is the new one
    QCOMPARE(count(dm, QStringLiteral("select count(*) from OTAZKA where OTAZKA='změněno'")), 0);
    QVERIFY(count(dm, QStringLiteral("select count(*) from OTAZKA")) > 10);
    // a new pupil's key follows the kept ones
    dm.QZak->append();
    dm.QZak->setValue(QStringLiteral("RC"), QStringLiteral("dalsi"));
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Další"));
    dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    dm.QZak->postAndApply();
    QVERIFY(dm.QZak->asInteger(QStringLiteral("ID_ZAK")) > pupil);
}

void TstServerLoad::refusesToReplacePupils()
{
    TTestDb db;
    {
        TDM& dm = db.open();
        addPupilWithHistory(dm);
    }
    db.closeDm();
    TServerLoadOptions o;
    o.keepPupils = false;
    const TBuildResult r = loadTestBank(*db.serverConfig(), o);
    QVERIFY(!r.ok);
    QVERIFY2(r.problems.join(u'\n').contains(QStringLiteral("obsahuje žáků: 1, zpráv o testech: 1")),
             qPrintable(r.problems.join(u'\n')));
    TDM& dm = db.open();
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK")), 2);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKODP")), 2);
}

void TstServerLoad::forcedReplace()
{
    TTestDb db;
    {
        TDM& dm = db.open();
        addPupilWithHistory(dm);
        addPupilWithHistory(dm);
    }
    db.closeDm();
    TServerLoadOptions o;
    o.keepPupils = false;
    o.force = true;
    const TBuildResult r = loadTestBank(*db.serverConfig(), o);
    QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
    TDM& dm = db.open();
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK")), 1);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from STATIS")), 0);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKODP")), 0);
    // the sequence starts again after the bank's own pupil 1
    dm.QZak->append();
    dm.QZak->setValue(QStringLiteral("RC"), QStringLiteral("prvni"));
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("První"));
    dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    dm.QZak->postAndApply();
    QCOMPARE(dm.QZak->asInteger(QStringLiteral("ID_ZAK")), 2);
}

void TstServerLoad::failedLoadChangesNothing()
{
    TTestDb db;
    // a source whose question table has a row the server refuses (a text where a number goes)
    QTemporaryDir src;
    QVERIFY(Builder::buildSample(src.path()).ok);
    const QString file = QDir(src.path()).filePath(QString::fromLatin1(SqliteFileName));
    const QString conn = QStringLiteral("bad-src-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase s = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        s.setDatabaseName(file);
        QVERIFY(s.open());
        QSqlQuery q(s);
        QVERIFY(
            q.exec(QStringLiteral("insert into TESTOTAZ (ID_TEST, ID_OTAZKA, PORADI) values (1, 'abc', 1)")));
        s.close();
    }
    QSqlDatabase::removeDatabase(conn);
    int questionsOfTests = 0;
    {
        TDM& dm = db.open();
        addPupilWithHistory(dm);
        questionsOfTests = count(dm, QStringLiteral("select count(*) from TESTOTAZ"));
    }
    db.closeDm();
    const TBuildResult r = ServerLoad::loadFromSqlite(*db.serverConfig(), file);
    QVERIFY(!r.ok);
    QVERIFY2(r.problems.join(u'\n').contains(QStringLiteral("TESTOTAZ.ID_OTAZKA")),
             qPrintable(r.problems.join(u'\n')));
    TDM& dm = db.open();
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAKODP")), 2); // not even the dangling row went
    QCOMPARE(count(dm, QStringLiteral("select count(*) from TESTOTAZ")), questionsOfTests);
}

void TstServerLoad::missingSource()
{
    TTestDb db;
    const TBuildResult r =
        ServerLoad::loadFromSqlite(*db.serverConfig(), db.programDir() + QStringLiteral("/none.db"));
    QVERIFY(!r.ok);
    QVERIFY(!r.problems.isEmpty());
}

void TstServerLoad::refusedWhileStationsAreSignedIn()
{
    TTestDb db;
    {
        // a station with a pupil signed in: the server holds its advisory lock
        const QString station = QStringLiteral("serverload-station");
        TPgEngine::connect(*db.serverConfig(), station);
        TAdvisorySignInLock lock(station);
        QVERIFY(lock.tryLock(1));
        TServerLoadOptions keep;
        keep.keepPupils = true;
        const TBuildResult r = loadTestBank(*db.serverConfig(), keep);
        QVERIFY(!r.ok);
        QVERIFY2(r.problems.join(u'\n').contains(QStringLiteral("přihlášených žáků na stanicích: 1")),
                 qPrintable(r.problems.join(u'\n')));
        lock.releaseAll();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("serverload-station"));
    TServerLoadOptions keep;
    keep.keepPupils = true;
    const TBuildResult r = loadTestBank(*db.serverConfig(), keep);
    QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv); // the builder draws the sample pictures
    TstServerLoad t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_serverload.moc"
