// A busy database: writes wait for another station's transaction, and past the wait the user
// gets a clear message with nothing half-written; a database that cannot be written says so.
#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Strings.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

// Starts a second station that holds a write transaction on the database for `ms` milliseconds.
void holdWriteLock(QProcess& p, const QString& dbFile, int ms)
{
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--hold-write"), dbFile, QString::number(ms)});
    QVERIFY(p.waitForStarted());
    QVERIFY(p.waitForReadyRead(20000));
    QCOMPARE(p.readLine().trimmed(), QByteArray("locked"));
}

QString pupilSurname(TDM& dm)
{
    dm.QTmp->close();
    dm.QTmp->setSql({QStringLiteral("select PRIJMENI from ZAK where ID_ZAK=1")});
    dm.QTmp->open();
    return dm.QTmp->asString(QStringLiteral("PRIJMENI"));
}

int countOf(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->open();
    return dm.QTmp->value(dm.QTmp->fieldNames().first()).toInt();
}

} // namespace

class TstBusy : public QObject
{
    Q_OBJECT
private slots:
    void writeWaitsForOtherStation();
    void writePastTheWaitFailsCleanly();
    void readOnlyDatabase();
    void settingsAndCountsWait();
    void windowWritesPastTheWait();
};

void TstBusy::writeWaitsForOtherStation()
{
    TTestDb db;
    TDM& dm = db.open();
    QProcess other;
    holdWriteLock(other, db.dbDir() + QStringLiteral("/ferdano.db"), 1500);
    QElapsedTimer t;
    t.start();
    dm.QZak->first();
    dm.QZak->edit();
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Počkal"));
    dm.QZak->postAndApply(); // waits, then succeeds
    QVERIFY2(t.elapsed() >= 500, "the write did not wait for the other transaction");
    QCOMPARE(pupilSurname(dm), QStringLiteral("Počkal"));
    other.waitForFinished();
}

void TstBusy::writePastTheWaitFailsCleanly()
{
    TTestDb db;
    TDM& dm = db.open();
    const QString before = pupilSurname(dm);
    QProcess other;
    holdWriteLock(other, db.dbDir() + QStringLiteral("/ferdano.db"), 9000);
    dm.QZak->close();
    dm.QZak->open();
    dm.QZak->first();
    dm.QZak->edit();
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Nepovede se"));
    dm.QZak->append();
    dm.QZak->setValue(QStringLiteral("RC"), QStringLiteral("novy"));
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Nový"));
    dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    try {
        dm.QZak->postAndApply();
        QFAIL("the write did not fail");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::DatabaseBusy);
    }
    QVERIFY(dm.QZak->updatesPending()); // the edits are kept, so the user can try again
    other.kill();
    other.waitForFinished();
    QCOMPARE(pupilSurname(dm), before);
    dm.QTmp->close();
    dm.QTmp->setSql({QStringLiteral("select count(*) N from ZAK")});
    dm.QTmp->open();
    QCOMPARE(dm.QTmp->asInteger(QStringLiteral("N")), 1);
    dm.QZak->applyUpdates(); // and now it goes through
    dm.QZak->commitUpdates();
    QCOMPARE(pupilSurname(dm), QStringLiteral("Nepovede se"));
}

void TstBusy::readOnlyDatabase()
{
    // The station runs as the user "nobody", and only root can start a process as another user.
    if (::geteuid() != 0)
        QSKIP("runs only as root: the read-only station is started as the user nobody");
    TTestDb db;
    // The station runs as an unprivileged user for whom the DB directory is read-only.
    QVERIFY(QFile::setPermissions(db.programDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(db.dbDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(db.dbDir() + QStringLiteral("/ferdano.db"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QTemporaryDir tmp;
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--write-as-nobody"), db.programDir(), tmp.path()});
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAll());
    QVERIFY2(out.contains(Str::DatabaseReadOnly), qPrintable(out));
    TDM& dm = db.open();
    QCOMPARE(pupilSurname(dm), QStringLiteral("Správce"));
}

void TstBusy::settingsAndCountsWait()
{
    TTestDb db;
    TDM& dm = db.open();
    QProcess other;
    holdWriteLock(other, db.dbDir() + QStringLiteral("/ferdano.db"), 1500);
    QElapsedTimer t;
    t.start();
    dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("25"));
    QVERIFY2(t.elapsed() >= 500, "the write did not wait for the other transaction");
    dm.QSelectQuest->first();
    dm.QSelectQuest->edit();
    dm.QSelectQuest->setValue(QStringLiteral("Pocet"), 37);
    dm.QSelectQuest->postAndApply();
    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("25"));
    QCOMPARE(countOf(dm, QStringLiteral("select count(*) N from OKRUHOT where Pocet=37")), 1);
    other.waitForFinished();
}

// Past the wait, the settings, the group counts and the whole bookkeeping of a live test are
// refused with the busy message, and none of them is half-written; the live test stays open and
// is stored whole when "&Ok" is pressed again.
void TstBusy::windowWritesPastTheWait()
{
    TTestDb db;
    TDM& dm = db.open();
    TSystemDlg system;
    TResultDlg result;
    TInfoDlg info;
    TTestDlg test;
    test.setPanel(&info);
    QStringList errors;
    TSystemDlg::setAutoAnswer([](const QString&, bool) { return true; });
    TResultDlg::setAutoAnswer([](const TResultDlg::Shown&) { return false; });
    SetGeneralErrorSink([&](const QString& text) { errors << text; });
    TSession::instance().signOut();
    db.signIn(1);
    changeSignedIn([&](TSignedInPupil& p) { p.FullName = QStringLiteral(" Autoškola Správce"); });
    changeSignedIn([](TSignedInPupil& p) { p.LicenceCategory = QStringLiteral("B"); });
    changeSignedIn([&](TSignedInPupil& p) { p.PassMinimum = 43; });
    const QString pocetBefore =
        QString::number(countOf(dm, QStringLiteral("select sum(Pocet) N from OKRUHOT")));
    const auto rows = [&] {
        return QStringList{QString::number(countOf(dm, QStringLiteral("select count(*) N from ZAKODP"))),
                           QString::number(countOf(dm, QStringLiteral("select count(*) N from ZAKTEST"))),
                           QString::number(countOf(dm, QStringLiteral("select count(*) N from STATIS")))};
    };
    const QStringList rowsBefore = rows();

    QProcess other;
    holdWriteLock(other, db.dbDir() + QStringLiteral("/ferdano.db"), 30000);
    try {
        dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("25"));
        QFAIL("the setting was written");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::DatabaseBusy);
    }
    dm.QSelectQuest->first();
    for (int i = 0; i < 2; ++i, dm.QSelectQuest->next()) {
        dm.QSelectQuest->edit();
        dm.QSelectQuest->setValue(QStringLiteral("Pocet"), 77);
        dm.QSelectQuest->post();
    }
    try {
        dm.QSelectQuest->applyUpdates();
        QFAIL("the counts were written");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::DatabaseBusy);
    }
    dm.QSelectQuest->cancelUpdates();

    // A live test of three questions, one right and two wrong, on the stored test 1.
    TQuery set(QStringLiteral("Set"));
    set.openRows({"ID_OTAZKA", "ID_OKRUH", "OTAZKA", "ID_PICT", "AA", "BB", "CC"},
                 {{1, 1, QStringLiteral("a"), 0, QStringLiteral("1000"), 2, QStringLiteral("1000")},
                  {2, 1, QStringLiteral("b"), 0, QStringLiteral("1000"), 2, QStringLiteral("0100")},
                  {3, 1, QStringLiteral("c"), 0, QStringLiteral("1000"), 2, QString()}});
    // The test stays open with its answers; once the other station is done, "&Ok" stores it.
    bool stayedOpen = false;
    QStringList rowsWhileBusy;
    QTimer::singleShot(0, &test, [&] {
        test.OkBtnClick();
        stayedOpen = test.isVisible() && set.recordCount() == 3;
        other.kill();
        other.waitForFinished();
        rowsWhileBusy = rows();
        test.OkBtnClick();
        if (test.isVisible())
            test.abandonModalRun();
    });
    test.RunTest(tmLive, 1, QStringLiteral("Ostré testy - Test číslo 1"), &set, false, 0);
    QCOMPARE(errors, QStringList{Format(Str::TestNotStored, {Str::DatabaseBusy})});
    QVERIFY(stayedOpen);
    QCOMPARE(rowsWhileBusy, rowsBefore);
    QVERIFY(!test.isVisible());

    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30"));
    QCOMPARE(QString::number(countOf(dm, QStringLiteral("select sum(Pocet) N from OKRUHOT"))), pocetBefore);
    QCOMPARE(rows(), (QStringList{QString::number(rowsBefore[0].toInt() + 2),
                                  QString::number(rowsBefore[1].toInt() + 1),
                                  QString::number(rowsBefore[2].toInt() + 1)}));
    TSystemDlg::setAutoAnswer({});
    TResultDlg::setAutoAnswer({});
    SetGeneralErrorSink({});
    TSession::instance().signOut();
}

// "--hold-write DBFILE MS": begins a write transaction, says so, holds it, then rolls back.
static int holdWrite(const char* file, int ms)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    db.setDatabaseName(QString::fromLocal8Bit(file));
    if (!db.open())
        return 1;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !q.exec(QStringLiteral("update ZAK set TELEFON='drzi' where ID_ZAK=1")))
        return 2;
    std::cout << "locked" << std::endl;
    ::usleep(useconds_t(ms) * 1000);
    q.exec(QStringLiteral("ROLLBACK"));
    return 0;
}

// "--write-as-nobody PROGRAMDIR TMPDIR": a station without write access tries to save a pupil.
static int writeAsNobody(int argc, char** argv)
{
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        return 3;
    QCoreApplication app(argc, argv);
    TDM dm;
    TDM::Options o;
    o.programDir = QString::fromLocal8Bit(argv[2]);
    o.tempDir = QString::fromLocal8Bit(argv[3]);
    try {
        dm.DMCreate(o);
        dm.QZak->first();
        dm.QZak->edit();
        dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Zakázáno"));
        dm.QZak->postAndApply();
        std::cout << "written" << std::endl;
    } catch (const TError& e) {
        std::cout << e.what() << std::endl;
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--hold-write") == 0) {
        QCoreApplication app(argc, argv);
        return holdWrite(argv[2], atoi(argv[3]));
    }
    if (argc >= 4 && qstrcmp(argv[1], "--write-as-nobody") == 0)
        return writeAsNobody(argc, argv);
    QApplication app(argc, argv);
    TstBusy t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_busy.moc"
