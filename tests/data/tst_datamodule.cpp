// Start-up of the database: the three failures, the second instance, the constants, the
// version and the ticker messages.
#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Error.h"
#include "data/Globals.h"
#include "data/MessageCipher.h"
#include "data/Platform.h"
#include "data/Strings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <iostream>

namespace {

// Runs DMCreate and returns the error text ("" on success).
QString createError(TDM& dm, const TDM::Options& o)
{
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        return e.message();
    }
    return QString();
}

void execSql(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->execSql();
}

} // namespace

class TstDataModule : public QObject
{
    Q_OBJECT
private slots:
    void opensAndReads();
    void constants();
    void constantWithApostrophe();
    void noTemporaryDirectory();
    void fallsBackToSystemDirectory();
    void databaseMissing();
    void databaseCorrupt();
    void missingVersion();
    void messagesThatDoNotDecipher();
    void secondInstanceAndCrash();
    void privateDirIsPerUser();
};

void TstDataModule::opensAndReads()
{
    TTestDb db;
    TDM& dm = db.open();
    QVERIFY(dm.DB.connected());
    QVERIFY(!DatabaseVersion.isEmpty());
    QVERIFY(MessageList.size() >= 3);
    QVERIFY(dm.TRes->active() && dm.QRP->active() && dm.QZak->active() && dm.QSelectQuest->active());
    QVERIFY(dm.TMessage->active());
    QVERIFY(!dm.QTestType1->active() && !dm.QBmp->active());
    // the animations, the pupils and the topic groups with their pictures are read at their
    // first use, not at the start; then they hold every row of their tables
    QVERIFY(dm.TRes->fetchPending() && dm.QZak->fetchPending() && dm.QSelectQuest->fetchPending());
    for (auto [set, table] : {std::pair<TDataSet*, const char*>{dm.TRes, "RES"}, {dm.QSelectQuest, "OKRUHOT"}}) {
        dm.QTmp->close();
        dm.QTmp->clearSql();
        dm.QTmp->addLine(QStringLiteral("SELECT COUNT(*) AS N FROM %1").arg(QLatin1String(table)));
        dm.QTmp->open();
        const int rows = dm.QTmp->asInteger(QStringLiteral("N"));
        QCOMPARE(set->recordCount(), rows);
        QVERIFY(!set->fetchPending());
    }
    QVERIFY(dm.QSelectQuest->recordCount() > 0);
    QVERIFY(dm.privateDir().endsWith(u'/'));
    QVERIFY(QFile::exists(dm.privateDir() + QStringLiteral("del2.mb")));
    const QString marker = dm.privateDir() + QStringLiteral("del2.mb");
    db.closeDm();
    QVERIFY(!QFile::exists(marker)); // a clean end leaves no marker
    QVERIFY(MessageList.isEmpty());
}

void TstDataModule::constants()
{
    TTestDb db;
    TDM& dm = db.open();
    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30"));
    QCOMPARE(dm.GetConst(QStringLiteral("  TIMEOUT \t")), QStringLiteral("30"));
    QCOMPARE(dm.GetConst(QStringLiteral("NOSUCH")), QString());
    dm.SetConst(QStringLiteral(" TIMEOUT "), QStringLiteral(" 15 "));
    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("15"));
    dm.SetConst(QStringLiteral("NOSUCH"), QStringLiteral("1"));
    QCOMPARE(dm.GetConst(QStringLiteral("NOSUCH")), QString()); // no row is ever inserted
}

void TstDataModule::constantWithApostrophe()
{
    TTestDb db;
    TDM& dm = db.open();
    // a name or value with an apostrophe neither breaks nor alters the statement
    dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("1' , ConstName='X"));
    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("1' , ConstName='X"));
    QCOMPARE(dm.GetConst(QStringLiteral("' OR '1'='1")), QString());
    QCOMPARE(dm.GetConst(QStringLiteral("VERSION")), DatabaseVersion);
}

void TstDataModule::noTemporaryDirectory()
{
    TTestDb db;
    TDM dm;
    TDM::Options o = db.options();
    o.tempDir = QStringLiteral("/nonexistent/tmp");
    o.systemDir = QStringLiteral("/nonexistent/sys");
    QCOMPARE(createError(dm, o), Str::NoTempDir);
    QVERIFY(!dm.DB.connected());
}

void TstDataModule::fallsBackToSystemDirectory()
{
    TTestDb db;
    QTemporaryDir sys;
    TDM dm;
    TDM::Options o = db.options();
    o.tempDir = QStringLiteral("/nonexistent/tmp");
    o.systemDir = sys.path();
    QCOMPARE(createError(dm, o), QString());
    QVERIFY(dm.DB.connected());
    QVERIFY(dm.privateDir().startsWith(QDir(sys.path()).absolutePath()));
}

void TstDataModule::databaseMissing()
{
    TTestDb db;
    QVERIFY(QDir(db.dbDir()).removeRecursively());
    TDM dm;
    const QString error = createError(dm, db.options());
    QVERIFY2(error.startsWith(QStringLiteral("Chyba: databáze nebyla nalezena")), qPrintable(error));
    QVERIFY(!dm.DB.connected());
    // a failed start leaves no marker that would look like a running instance
    QVERIFY(!QFile::exists(db.options().tempDir + QStringLiteral("/ferdano-%1/del2.mb").arg(Platform::userTag())));
}

void TstDataModule::databaseCorrupt()
{
    if (TTestDb::onServer())
        QSKIP("a damaged database file is a matter of the SQLite engine");
    TTestDb db;
    QFile f(db.dbDir() + QStringLiteral("/ferdano.db"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(4096, 'x'));
    f.close();
    TDM dm;
    const QString error = createError(dm, db.options());
    // told as a damaged database, with what to do
    QVERIFY2(error.startsWith(QStringLiteral("Chyba: databáze je poškozená")), qPrintable(error));
    QVERIFY(!dm.DB.connected());
}

void TstDataModule::missingVersion()
{
    TTestDb db;
    {
        TDM& dm = db.open();
        execSql(dm, QStringLiteral("delete from FNKonst where ConstName='VERSION'"));
        execSql(dm, QStringLiteral("delete from MESSAGE"));
    }
    db.closeDm();
    TDM& dm = db.open();
    QCOMPARE(DatabaseVersion, QString());
    QVERIFY(MessageList.isEmpty());
    QVERIFY(dm.DB.connected());
}

void TstDataModule::messagesThatDoNotDecipher()
{
    TTestDb db;
    {
        TDM& dm = db.open();
        // bound, since the engines write binary literals differently
        dm.QTmp->close();
        dm.QTmp->setSql({QStringLiteral("update MESSAGE set Message=:m")});
        dm.QTmp->setParam(QStringLiteral("m"), QByteArray::fromHex("00FF13A1"));
        dm.QTmp->execSql();
    }
    db.closeDm();
    TDM dm;
    QCOMPARE(createError(dm, db.options()), Str::MessagesUnreadable);
    // the connection stays and what was done before the messages stays done
    QVERIFY(dm.DB.connected());
    QVERIFY(dm.QZak->active());
    QVERIFY(!DatabaseVersion.isEmpty());
    QVERIFY(MessageList.isEmpty());
}

void TstDataModule::secondInstanceAndCrash()
{
    TTestDb db;
    const TDM::Options o = db.options();
    QProcess first;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), o.programDir, o.tempDir});
    QVERIFY(first.waitForStarted());
    QVERIFY(first.waitForReadyRead(20000));
    QCOMPARE(first.readLine().trimmed(), QByteArray("open"));

    TDM second;
    QCOMPARE(createError(second, o), Str::AlreadyRunning);
    QVERIFY(!second.DB.connected());

    first.kill(); // a crash: the marker stays behind, but nobody holds it
    QVERIFY(first.waitForFinished());
    QVERIFY(QFile::exists(o.tempDir + QStringLiteral("/ferdano-%1/del2.mb").arg(Platform::userTag())));
    TDM third;
    QCOMPARE(createError(third, o), QString());
    QVERIFY(third.DB.connected());
}

void TstDataModule::privateDirIsPerUser()
{
    TTestDb db;
    TDM& dm = db.open();
    QVERIFY(dm.privateDir().contains(QStringLiteral("ferdano-%1").arg(Platform::userTag())));
}

// "--hold PROGRAMDIR TEMPDIR": a second station that opens the database and waits to be killed.
static int holdInstance(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TDM dm;
    TDM::Options o;
    o.programDir = QString::fromLocal8Bit(argv[2]);
    o.tempDir = QString::fromLocal8Bit(argv[3]);
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        std::cout << "error " << e.what() << std::endl;
        return 1;
    }
    std::cout << "open" << std::endl;
    std::getchar();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--hold") == 0)
        return holdInstance(argc, argv);
    QApplication app(argc, argv);
    TstDataModule t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_datamodule.moc"
