// The PostgreSQL engine: the server file and the engine choice (no server needed), and, on the
// test server, every component, keys, binary and date-time values, names in any case, error
// messages and the sign-in lock between real station processes.
#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/PgEngine.h"
#include "data/SignInLock.h"
#include "data/Strings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <csignal>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString createError(TDM& dm, const TDM::Options& o)
{
    try {
        dm.DMCreate(o);
    } catch (const TError& e) {
        return e.message();
    }
    return QString();
}

// A direct connection to this test's server database, beside the data module's.
class TRawConnection
{
public:
    explicit TRawConnection(const TServerConfig& c)
        : m_name(QStringLiteral("raw-") + QUuid::createUuid().toString(QUuid::Id128))
    {
        TPgEngine::connect(c, m_name);
    }
    ~TRawConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QVariant exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
};

// Every row of a dataset as text, columns by lower-case name, bytes as a digest.
QStringList rowsOf(TDataSet& ds)
{
    QStringList names = ds.fieldNames();
    QStringList rows;
    for (ds.first(); !ds.eof(); ds.next()) {
        QStringList cells;
        for (const QString& n : names) {
            const QVariant v = ds.value(n);
            QString cell;
            if (v.isNull())
                cell = QStringLiteral("<null>");
            else if (v.typeId() == QMetaType::QByteArray)
                cell = QString::fromLatin1(
                    QCryptographicHash::hash(v.toByteArray(), QCryptographicHash::Sha1).toHex());
            else if (v.typeId() == QMetaType::QDateTime)
                cell = ds.asString(n); // SQLite gives the stored text, the server a date-time
            else
                cell = v.toString();
            cells << n.toLower() + u'=' + cell;
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// Runs every named component and every update statement the same way and returns what was read.
QStringList exerciseComponents(TDM& dm)
{
    QStringList out;
    auto take = [&](TDataSet* ds, const QString& label, bool ordered) {
        QStringList rows = rowsOf(*ds);
        if (!ordered)
            rows.sort();
        out << QStringLiteral("== %1 (%2 rows)").arg(label).arg(rows.size());
        out << rows;
    };
    auto reopen = [&](TQuery* q, std::initializer_list<std::pair<const char*, QVariant>> params) {
        q->close();
        for (const auto& [name, value] : params)
            q->setParam(QString::fromLatin1(name), value);
        q->open();
    };
    // keys that the bank has, whatever bank it is
    auto firstKey = [&](const char* sql) {
        dm.QTmp->close();
        dm.QTmp->setSql({QString::fromLatin1(sql)});
        dm.QTmp->open();
        return dm.QTmp->asInteger(dm.QTmp->fieldNames().first());
    };
    const int test = firstKey("select min(ID_TEST) k from TESTOTAZ");
    const int group = firstKey("select min(ID_OKRUH) k from OTAZKA");
    const int question = firstKey("select min(ID_OTAZKA) k from ODPOVED");
    const int picture = firstKey("select min(ID_PICT) k from BMP");
    const int testType = firstKey("select min(ID_TYPTEST) k from TEST where ID_TYPTEST>0");
    reopen(dm.QSelectZak, {{"id_zak", 1}});
    take(dm.QSelectZak, QStringLiteral("QSelectZak"), false);
    take(dm.QZak, QStringLiteral("QZak"), false);
    take(dm.QSelectQuest, QStringLiteral("QSelectQuest"), true);
    reopen(dm.QTestType1, {{"ID_OKRUH", group}, {"SKILL_LEVEL", QStringLiteral("_1________")}});
    take(dm.QTestType1, QStringLiteral("QTestType1"), false);
    reopen(dm.QOdpoved, {{"ID_OTAZKA", question}});
    take(dm.QOdpoved, QStringLiteral("QOdpoved"), true);
    reopen(dm.QSelectTestType, {{"ID_TYPTEST", 0}});
    take(dm.QSelectTestType, QStringLiteral("QSelectTestType"), false);
    reopen(dm.QSelectTest, {{"ID_TYPTEST", testType}, {"SKILL_LEVEL", QStringLiteral("_1________")}});
    take(dm.QSelectTest, QStringLiteral("QSelectTest"), false);
    reopen(dm.QTestType2, {{"ID_TEST", test}});
    take(dm.QTestType2, QStringLiteral("QTestType2"), true);
    reopen(dm.QRnd, {{"ID_OKRUH", group}, {"SKILL_LEVEL", QStringLiteral("_1________")}});
    take(dm.QRnd, QStringLiteral("QRnd"), false);
    dm.QTestType3->close();
    dm.QTestType3->setSql({QStringLiteral("select * from OTAZKA where ID_OTAZKA in (%1, %2, %3)")
                               .arg(question)
                               .arg(question + 3)
                               .arg(question + 7),
                           QStringLiteral("order by ID_OTAZKA")});
    dm.QTestType3->open();
    take(dm.QTestType3, QStringLiteral("QTestType3"), true);
    take(dm.QRP, QStringLiteral("QRP"), false);
    take(dm.TRes, QStringLiteral("TRes"), false);
    take(dm.TMessage, QStringLiteral("TMessage"), false);
    reopen(dm.QBmp, {{"id_pict", picture}});
    take(dm.QBmp, QStringLiteral("QBmp"), false);
    dm.TZak->open();
    take(dm.TZak, QStringLiteral("TZak"), true);

    // the pupil's statements: insert, change, then the wrong-answer bookkeeping through QTmp
    dm.QZak->append();
    dm.QZak->setValue(QStringLiteral("RC"), QStringLiteral("novak"));
    dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Novák"));
    dm.QZak->setValue(QStringLiteral("JMENO"), QStringLiteral("Jan"));
    dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    dm.QZak->setValue(QStringLiteral("HESLO"), QStringLiteral("x"));
    dm.QZak->postAndApply();
    const int pupil = dm.QZak->asInteger(QStringLiteral("ID_ZAK"));
    out << QStringLiteral("new pupil %1").arg(pupil);
    dm.QZak->edit();
    dm.QZak->setValue(QStringLiteral("TELEFON"), QStringLiteral("777 123 456"));
    dm.QZak->postAndApply();
    auto tmpExec = [&](const QString& sql) {
        dm.QTmp->close();
        dm.QTmp->clearSql();
        dm.QTmp->addLine(sql);
        return dm.QTmp->execSql();
    };
    out << QString::number(
        tmpExec(QStringLiteral("insert into ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) values (%1, %2, '0100')")
                    .arg(pupil)
                    .arg(question)));
    out << QString::number(tmpExec(
        QStringLiteral("insert into ZAKTEST (ID_ZAK, ID_TEST) values (%1, %2)").arg(pupil).arg(test)));
    // ID_TEST is in both joined tables, which both engines refuse unqualified (a no-op once the
    // component names TEST's own)
    dm.QSelectErrorTest->close();
    dm.QSelectErrorTest->setSql({dm.QSelectErrorTest->text().replace(
        QStringLiteral("poradi, id_test"), QStringLiteral("poradi, TEST.id_test"))});
    reopen(dm.QSelectErrorTest, {{"ID_TYPTEST", testType}, {"ID_ZAK", pupil}});
    take(dm.QSelectErrorTest, QStringLiteral("QSelectErrorTest"), false);
    reopen(dm.QRndError, {{"ID_OKRUH", group}, {"ID_ZAK", pupil}});
    take(dm.QRndError, QStringLiteral("QRndError"), false);
    out << QString::number(tmpExec(
        QStringLiteral("delete from ZAKODP where ID_ZAK=%1 and ID_OTAZKA=%2").arg(pupil).arg(question)));

    // a report stored and deleted, the group counts changed
    reopen(dm.QStatistic, {{"ID_ZAK", pupil}});
    dm.QStatistic->append();
    dm.QStatistic->setValue(QStringLiteral("ID_ZAK"), pupil);
    dm.QStatistic->setValue(QStringLiteral("ID_TEST"), test);
    dm.QStatistic->setValue(QStringLiteral("DATETIME"), QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0)));
    dm.QStatistic->setValue(QStringLiteral("PTOTAL"), 50);
    dm.QStatistic->setValue(QStringLiteral("PCURRENT"), 44);
    dm.QStatistic->setValue(QStringLiteral("REPORT"), QStringLiteral("Jan Novák\nřádek 2"));
    dm.QStatistic->setValue(QStringLiteral("TEST_NAME"), QStringLiteral("Test číslo 2"));
    dm.QStatistic->postAndApply();
    out << QStringLiteral("report key %1").arg(dm.QStatistic->asInteger(QStringLiteral("ID_STATIS")));
    reopen(dm.QStatistic, {{"ID_ZAK", pupil}});
    take(dm.QStatistic, QStringLiteral("QStatistic"), false);
    dm.QStatistic->first();
    dm.QStatistic->remove();
    dm.QStatistic->postAndApply();
    dm.QSelectQuest->first();
    dm.QSelectQuest->edit();
    dm.QSelectQuest->setValue(QStringLiteral("Pocet"), QStringLiteral("7")); // the edit field passes text
    dm.QSelectQuest->postAndApply();
    dm.QSelectQuest->close();
    dm.QSelectQuest->open();
    take(dm.QSelectQuest, QStringLiteral("QSelectQuest after"), true);
    dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("25"));
    out << dm.GetConst(QStringLiteral("TIMEOUT"));
    dm.QZak->locate(QStringLiteral("RC"), QStringLiteral("novak"));
    dm.QZak->remove();
    dm.QZak->postAndApply();
    dm.QZak->close();
    dm.QZak->open();
    take(dm.QZak, QStringLiteral("QZak after"), false);
    return out;
}

// A station process for the lock tests (see stationMain): started with the program directory.
class TStation
{
public:
    TStation(const QString& programDir, const QString& tempDir)
    {
        QDir().mkpath(tempDir);
        m_p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_p.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--station"), programDir, tempDir});
        if (!m_p.waitForStarted())
            qFatal("station did not start");
        m_ready = reply() == QByteArray("open");
    }
    ~TStation()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished();
        }
    }
    bool ready() const { return m_ready; }
    QByteArray ask(const QByteArray& command)
    {
        m_p.write(command + '\n');
        return reply();
    }
    void end()
    {
        m_p.write("end\n");
        m_p.waitForFinished(20000);
    }
    void kill()
    {
        m_p.kill();
        m_p.waitForFinished();
    }

private:
    QByteArray reply()
    {
        while (!m_p.canReadLine())
            if (!m_p.waitForReadyRead(20000))
                return QByteArray("timeout");
        return m_p.readLine().trimmed();
    }
    QProcess m_p;
    bool m_ready = false;
};

// Tries the lock until it is free or the time is up: a killed station's session ends a moment
// after its process.
bool lockWithin(TSignInLock& lock, int pupil, int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        if (lock.tryLock(pupil))
            return true;
        QThread::msleep(50);
    } while (t.elapsed() < ms);
    return false;
}

} // namespace

class TstServerEngine : public QObject
{
    Q_OBJECT
private slots:
    void serverFile_data();
    void serverFile();
    void serverFileRoundTrip();
    void engineChoice();
    void malformedServerFileAtStart();
    void unreachableServer();

    void sameResultsOnBothEngines();
    void keysReadBack();
    void binaryRoundTrip();
    void dateTimeRoundTrip();
    void namesInAnyCase();
    void missingOrEmptyDatabase();
    void busyMessage();
    void readOnlyMessage();
    void lostConnectionMessage();
    void frozenServerIsBounded();
    void signInLockBetweenStations();
    void signInLockKeysStayOurs();
};

void TstServerEngine::serverFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // a fragment of the message, empty when the file is good
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::newRow("full") << "host=db.autoskola.cz\nport=5433\ndatabase=ferdano\nuser=stanice\n"
                          << ""
                          << "db.autoskola.cz" << 5433 << "ferdano"
                          << "stanice";
    QTest::newRow("socket, defaults, comments, blanks, CRLF")
        << "# server\r\n\r\n  HOST = /run/postgresql \r\nDatabase=fn\r\n"
        << ""
        << "/run/postgresql" << 5432 << "fn"
        << "";
    QTest::newRow("value with =") << "host=h\ndatabase=a=b\n"
                                  << ""
                                  << "h" << 5432 << "a=b"
                                  << "";
    QTest::newRow("no host") << "database=fn\n"
                             << "chybí \"host\""
                             << "" << 0 << ""
                             << "";
    QTest::newRow("no database") << "host=h\n"
                                 << "chybí \"database\""
                                 << "" << 0 << ""
                                 << "";
    QTest::newRow("not a pair") << "host=h\ndatabase=fn\njust text\n"
                                << "řádek 3 nemá tvar"
                                << "" << 0 << ""
                                << "";
    QTest::newRow("empty name") << "=x\nhost=h\ndatabase=fn"
                                << "řádek 1 nemá tvar"
                                << "" << 0 << ""
                                << "";
    QTest::newRow("unknown name") << "host=h\ndatabase=fn\nsslmode=require"
                                  << "řádek 3: neznámé jméno \"sslmode\""
                                  << "" << 0 << ""
                                  << "";
    QTest::newRow("twice") << "host=h\nhost=g\ndatabase=fn"
                           << "řádek 2: jméno \"host\" je uvedeno podruhé"
                           << "" << 0 << ""
                           << "";
    QTest::newRow("empty value") << "host=\ndatabase=fn"
                                 << "řádek 1: \"host\" nemá hodnotu"
                                 << "" << 0 << ""
                                 << "";
    QTest::newRow("password") << "host=h\ndatabase=fn\npassword=tajne"
                              << "řádek 3: heslo do tohoto souboru nepatří"
                              << "" << 0 << ""
                              << "";
    QTest::newRow("port text") << "host=h\nport=abc\ndatabase=fn"
                               << "řádek 2: port \"abc\" není číslo"
                               << "" << 0 << ""
                               << "";
    QTest::newRow("port zero") << "host=h\nport=0\ndatabase=fn"
                               << "port \"0\""
                               << "" << 0 << ""
                               << "";
    QTest::newRow("port too big") << "host=h\nport=70000\ndatabase=fn"
                                  << "port \"70000\""
                                  << "" << 0 << ""
                                  << "";
    QTest::newRow("empty file") << ""
                                << "chybí \"host\""
                                << "" << 0 << ""
                                << "";
}

void TstServerEngine::serverFile()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    const QString file = QStringLiteral("/x/DB/server.conf");
    if (!error.isEmpty()) {
        try {
            TServerConfig::parse(text, file);
            QFAIL("a malformed server file was accepted");
        } catch (const TError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Chyba: soubor /x/DB/server.conf je chybný: ")),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(error), qPrintable(e.message()));
        }
        return;
    }
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, database);
    QFETCH(QString, user);
    const TServerConfig c = TServerConfig::parse(text, file);
    QCOMPARE(c.host, host);
    QCOMPARE(c.port, port);
    QCOMPARE(c.database, database);
    QCOMPARE(c.user, user);
}

void TstServerEngine::serverFileRoundTrip()
{
    TServerConfig c;
    c.host = QStringLiteral("/tmp/sock dir");
    c.port = 6543;
    c.database = QStringLiteral("ferdano_skola");
    c.user = QStringLiteral("ucitel");
    const TServerConfig back = TServerConfig::parse(c.toText(), QStringLiteral("f"));
    QCOMPARE(back.host, c.host);
    QCOMPARE(back.port, c.port);
    QCOMPARE(back.database, c.database);
    QCOMPARE(back.user, c.user);
    QVERIFY(!c.toText().contains(QStringLiteral("password=")));
}

void TstServerEngine::engineChoice()
{
    QTemporaryDir dir;
    const QString db = dir.path() + QStringLiteral("/DB");
    QDir().mkpath(db);
    QCOMPARE(TEngine::forDirectory(db)->kind(), QStringLiteral("sqlite"));
    writeFile(db + QStringLiteral("/ferdano.db"), QByteArray());
    QCOMPARE(TEngine::forDirectory(db)->kind(), QStringLiteral("sqlite"));
    // the server file wins over a database file left beside it
    writeFile(db + QStringLiteral("/server.conf"), "host=/run/postgresql\ndatabase=ferdano\n");
    const auto engine = TEngine::forDirectory(db);
    QCOMPARE(engine->kind(), QStringLiteral("postgres"));
    QCOMPARE(static_cast<TPgEngine&>(*engine).config().database, QStringLiteral("ferdano"));
    writeFile(db + QStringLiteral("/server.conf"), "host=/run/postgresql\n");
    QVERIFY_THROWS_EXCEPTION(TError, TEngine::forDirectory(db));
}

void TstServerEngine::malformedServerFileAtStart()
{
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/DB/server.conf"), "host=h\ndatabase=fn\nport=x\n");
    TDM dm;
    TDM::Options o;
    o.programDir = dir.path();
    o.tempDir = dir.path();
    const QString error = createError(dm, o);
    QVERIFY2(error.startsWith(QStringLiteral("Chyba: soubor ")) &&
                 error.contains(QStringLiteral("server.conf je chybný")),
             qPrintable(error));
    QVERIFY(!dm.DB.connected());
    // a failed start leaves no marker behind that would look like a running instance
    QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/ferdano-%1/del2.mb").arg(::getuid())));
}

void TstServerEngine::unreachableServer()
{
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/DB/server.conf"), "host=/nonexistent/socket\ndatabase=fn\n");
    TDM dm;
    TDM::Options o;
    o.programDir = dir.path();
    o.tempDir = dir.path();
    const QString error = createError(dm, o);
    QVERIFY2(error.startsWith(
                 QStringLiteral("Chyba: k databázovému serveru /nonexistent/socket se nelze připojit: ")),
             qPrintable(error));
    QVERIFY(!dm.DB.connected());
}

void TstServerEngine::sameResultsOnBothEngines()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    QStringList onServer, onFile;
    {
        TTestDb db;
        TDM& dm = db.open();
        QCOMPARE(dm.engine().kind(), QStringLiteral("postgres"));
        onServer = exerciseComponents(dm);
    }
    {
        const QByteArray saved = qgetenv("FERDANO_TEST_PG");
        const QByteArray engine = qgetenv("FERDANO_TEST_ENGINE");
        qputenv("FERDANO_TEST_PG", "");
        qputenv("FERDANO_TEST_ENGINE", "");
        TTestDb db;
        qputenv("FERDANO_TEST_PG", saved);
        qputenv("FERDANO_TEST_ENGINE", engine);
        TDM& dm = db.open();
        QCOMPARE(dm.engine().kind(), QStringLiteral("sqlite"));
        onFile = exerciseComponents(dm);
    }
    QCOMPARE(onServer.size(), onFile.size());
    for (int i = 0; i < onServer.size(); ++i)
        QCOMPARE(onServer[i], onFile[i]);
    // a stored test's questions in their order, with the unqualified column of the other table
    QVERIFY(!onServer.contains(QStringLiteral("== QTestType2 (0 rows)")));
}

void TstServerEngine::keysReadBack()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TRawConnection other(*db.serverConfig());
    // another station's insert moves the sequence on; each station reads its own key
    other.exec(QStringLiteral("INSERT INTO ZAK (RC, PRIJMENI, RP) VALUES ('jiny', 'Jiný', 'B')"));
    for (const char* rc : {"k1", "k2"}) {
        dm.QZak->append();
        dm.QZak->setValue(QStringLiteral("RC"), QString::fromLatin1(rc));
        dm.QZak->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("P"));
        dm.QZak->setValue(QStringLiteral("RP"), QStringLiteral("B"));
        dm.QZak->post();
    }
    dm.QZak->postAndApply();
    QSet<int> keys;
    for (const char* rc : {"k1", "k2"}) {
        QVERIFY(dm.QZak->locate(QStringLiteral("RC"), QString::fromLatin1(rc)));
        const int key = dm.QZak->asInteger(QStringLiteral("ID_ZAK"));
        QCOMPARE(other.exec(QStringLiteral("SELECT RC FROM ZAK WHERE ID_ZAK=%1").arg(key)).toString(),
                 QString::fromLatin1(rc));
        keys.insert(key);
    }
    QCOMPARE(keys.size(), 2);
    QVERIFY(!keys.contains(1));

    dm.QStatistic->close();
    dm.QStatistic->setParam(QStringLiteral("ID_ZAK"), 1);
    dm.QStatistic->open();
    dm.QStatistic->append();
    dm.QStatistic->setValue(QStringLiteral("ID_ZAK"), 1);
    dm.QStatistic->setValue(QStringLiteral("ID_TEST"), 0);
    dm.QStatistic->setValue(QStringLiteral("REPORT"), QStringLiteral("r"));
    dm.QStatistic->postAndApply();
    const int report = dm.QStatistic->asInteger(QStringLiteral("ID_STATIS"));
    QVERIFY(report > 0);
    QCOMPARE(
        other.exec(QStringLiteral("SELECT REPORT FROM STATIS WHERE ID_STATIS=%1").arg(report)).toString(),
        QStringLiteral("r"));
    // the key read back finds the row for a later delete
    dm.QStatistic->remove();
    dm.QStatistic->postAndApply();
    QCOMPARE(other.exec(QStringLiteral("SELECT COUNT(*) FROM STATIS")).toInt(), 0);
}

void TstServerEngine::binaryRoundTrip()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    QByteArray every;
    for (int i = 0; i < 4 * 256; ++i)
        every.append(char(i & 0xff));
    QByteArray big(300 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (char& c : big)
        c = char(gen.bounded(256));
    const QList<QByteArray> values = {every, big, QByteArray("\\x41'\0\"", 6), QByteArray("a")};
    int id = 900;
    for (const QByteArray& v : values) {
        ++id;
        dm.QTmp->close();
        dm.QTmp->setSql({QStringLiteral("insert into BMP (ID_PICT, BMP) values (:id, :b)")});
        dm.QTmp->setParam(QStringLiteral("id"), id);
        dm.QTmp->setParam(QStringLiteral("b"), v);
        dm.QTmp->execSql();
        dm.QBmp->close();
        dm.QBmp->setParam(QStringLiteral("id_pict"), id);
        dm.QBmp->open();
        QCOMPARE(dm.QBmp->recordCount(), 1);
        QCOMPARE(dm.QBmp->asBytes(QStringLiteral("BMP")), v);
    }
    // the pictures the loader copied arrive whole: a JPEG still starts and ends as one
    dm.QSelectQuest->first();
    const QByteArray picture = dm.QSelectQuest->asBytes(QStringLiteral("Picture"));
    QVERIFY(picture.startsWith("\xFF\xD8"));
    QVERIFY(picture.endsWith("\xFF\xD9"));
}

void TstServerEngine::dateTimeRoundTrip()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    // this process runs in a zone other than the server's (see main): the stored wall-clock time
    // must come back as it was written
    const QDateTime when(QDate(2026, 12, 8), QTime(23, 45, 10));
    dm.QStatistic->close();
    dm.QStatistic->setParam(QStringLiteral("ID_ZAK"), 1);
    dm.QStatistic->open();
    dm.QStatistic->append();
    dm.QStatistic->setValue(QStringLiteral("ID_ZAK"), 1);
    dm.QStatistic->setValue(QStringLiteral("ID_TEST"), 3);
    dm.QStatistic->setValue(QStringLiteral("DATETIME"), when);
    dm.QStatistic->postAndApply();
    dm.QStatistic->close();
    dm.QStatistic->open();
    QCOMPARE(dm.QStatistic->recordCount(), 1);
    QCOMPARE(dm.QStatistic->asDateTime(QStringLiteral("DATETIME")), when);
    TRawConnection other(*db.serverConfig());
    QCOMPARE(other.exec(QStringLiteral("SELECT to_char(DATETIME, 'YYYY-MM-DD HH24:MI:SS') FROM STATIS"))
                 .toString(),
             QStringLiteral("2026-12-08 23:45:10"));
}

void TstServerEngine::namesInAnyCase()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    for (const char* sql : {"select id_zak, Rc, PRIJMENI, timeout from zak where Id_Zak=1",
                            "SELECT * FROM Zak, rp WHERE zak.rp = RP.Rp AND ZAK.ID_ZAK = 1",
                            "select ConstValue from fnkonst where CONSTNAME='VERSION'"}) {
        dm.QTmp->close();
        dm.QTmp->setSql({QString::fromLatin1(sql)});
        dm.QTmp->open();
        QCOMPARE(dm.QTmp->recordCount(), 1);
    }
    dm.QTmp->close();
    dm.QTmp->setSql({QStringLiteral("select ID_ZAK, RC, TimeOut from ZAK")});
    dm.QTmp->open();
    for (const char* field : {"ID_ZAK", "id_zak", "Id_Zak", "rc", "RC", "TIMEOUT", "TimeOut"})
        QVERIFY2(dm.QTmp->hasField(QString::fromLatin1(field)), field);
    QCOMPARE(dm.QTmp->asString(QStringLiteral("Rc")), QStringLiteral("admin"));
}

void TstServerEngine::missingOrEmptyDatabase()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TServerConfig c = *db.serverConfig();
    const QString conf = db.dbDir() + QStringLiteral("/server.conf");
    c.database = QStringLiteral("ferdano_no_such_db");
    writeFile(conf, c.toText().toUtf8());
    {
        TDM dm;
        const QString error = createError(dm, db.options());
        QCOMPARE(error, Format(Str::ServerDatabaseMissing, {c.database, c.host}));
        QVERIFY(!dm.DB.connected());
    }
    // a database without the program's tables
    c.database = QStringLiteral("postgres");
    writeFile(conf, c.toText().toUtf8());
    TDM dm;
    QCOMPARE(createError(dm, db.options()), Format(Str::ServerDatabaseEmpty, {c.database, c.host}));
    QVERIFY(!dm.DB.connected());
}

void TstServerEngine::busyMessage()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TRawConnection other(*db.serverConfig());
    other.exec(QStringLiteral("BEGIN"));
    other.exec(QStringLiteral("SELECT ID_ZAK FROM ZAK WHERE ID_ZAK=1 FOR UPDATE"));
    dm.QZak->first();
    dm.QZak->edit();
    dm.QZak->setValue(QStringLiteral("TELEFON"), QStringLiteral("1"));
    QElapsedTimer t;
    t.start();
    try {
        dm.QZak->postAndApply();
        QFAIL("a write over a row held by another station went through");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::DatabaseBusy);
    }
    QVERIFY(t.elapsed() < 3 * TPgEngine::LockTimeoutMs);
    other.exec(QStringLiteral("ROLLBACK"));
    // nothing was lost: the change is still pending and goes through now
    QVERIFY(dm.QZak->updatesPending());
    dm.QZak->postAndApply();
    QCOMPARE(other.exec(QStringLiteral("SELECT TELEFON FROM ZAK WHERE ID_ZAK=1")).toString(),
             QStringLiteral("1"));
}

void TstServerEngine::readOnlyMessage()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    {
        TRawConnection other(*db.serverConfig());
        other.exec(QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = on")
                       .arg(db.serverConfig()->database));
    }
    TDM& dm = db.open();
    QVERIFY_THROWS_EXCEPTION(TError, dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("5")));
    try {
        dm.SetConst(QStringLiteral("TIMEOUT"), QStringLiteral("5"));
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::ServerReadOnly);
    }
    QCOMPARE(dm.GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30")); // reading still works
}

// The server drops the station's session (as a restart does): the statement in flight fails with
// the Czech message, the next one connects anew and takes the pupil's sign-in back; when another
// station took the pupil meanwhile, this one gives the pupil up and says so, never holding it
// twice.
void TstServerEngine::lostConnectionMessage()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TSignInLock& lock = dm.engine().signInLock();
    TRawConnection other(*db.serverConfig());
    const QString dropStation =
        QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                       "WHERE datname = current_database() AND application_name = 'ferdano' "
                       "AND pid <> pg_backend_pid()");
    const QString takePupil =
        QStringLiteral("SELECT pg_try_advisory_lock(%1, 1)").arg(TAdvisorySignInLock::LockClass);
    QVERIFY(lock.tryLock(1));
    QCOMPARE(other.exec(dropStation).toInt(), 1);
    QThread::msleep(100);
    try {
        dm.GetConst(QStringLiteral("VERSION"));
        QFAIL("a statement over a lost connection reported success");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::ServerConnectionLost);
    }
    // the next statement works, and the pupil is this station's again
    QVERIFY(!dm.GetConst(QStringLiteral("VERSION")).isEmpty());
    QVERIFY(lock.isHeld(1));
    QVERIFY(!other.exec(takePupil).toBool());

    // lost again, and another station signs the pupil in before this one comes back
    QCOMPARE(other.exec(dropStation).toInt(), 1);
    QThread::msleep(100);
    QVERIFY(other.exec(takePupil).toBool());
    QVERIFY(!lock.confirm(1));
    QVERIFY(!lock.isHeld(1));
    QVERIFY(!dm.GetConst(QStringLiteral("VERSION")).isEmpty()); // the station itself works on
}

// A server process that stops answering (stopped, not gone): the station waits no longer than
// its bound, says so in Czech, does not claim the pupil's sign-in while the stopped process still
// holds it, and takes it back once the server has ended that process.
void TstServerEngine::frozenServerIsBounded()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TSignInLock& lock = dm.engine().signInLock();
    QVERIFY(lock.tryLock(1));
    const QString version = dm.GetConst(QStringLiteral("VERSION"));
    TQuery q(QStringLiteral("Q"));
    q.addLine(QStringLiteral("SELECT pg_backend_pid() AS P"));
    q.open();
    const pid_t backend = pid_t(q.asInteger(QStringLiteral("P")));
    q.close();
    QVERIFY(backend > 0);
    TPgEngine::setCallBoundForTests(1500);
    auto resume = qScopeGuard([&] {
        ::kill(backend, SIGCONT);
        TPgEngine::setCallBoundForTests(TPgEngine::DefaultCallBoundMs);
    });
    QCOMPARE(::kill(backend, SIGSTOP), 0);

    const QString notAnswering = Format(Str::ServerNotAnswering, {1});
    QElapsedTimer t;
    t.start();
    try {
        dm.DB.runInTransaction([&] { dm.SetConst(QStringLiteral("VERSION"), QStringLiteral("x")); });
        QFAIL("a write to a stopped server reported success");
    } catch (const TError& e) {
        QCOMPARE(e.message(), notAnswering);
    }
    QVERIFY2(t.elapsed() < 8000, qPrintable(QString::number(t.elapsed()))); // not the minutes of a hang
    // connected anew: the station reads on, but while the stopped process holds the pupil, the
    // pupil's sign-in is not confirmed
    QCOMPARE(dm.GetConst(QStringLiteral("VERSION")), version);
    try {
        lock.confirm(1);
        QFAIL("the station confirmed a sign-in that its stopped session held");
    } catch (const TError& e) {
        QCOMPARE(e.message(), Str::ServerPreviousSession);
    }
    QVERIFY(!lock.isHeld(1));

    // the process runs again and ends (the station asked the server to end it)
    resume.dismiss();
    ::kill(backend, SIGCONT);
    TPgEngine::setCallBoundForTests(TPgEngine::DefaultCallBoundMs);
    TRawConnection admin(*db.serverConfig());
    QElapsedTimer gone;
    gone.start();
    while (admin.exec(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE pid = %1").arg(backend)).toInt() &&
           gone.elapsed() < 10000)
        QThread::msleep(50);
    QVERIFY(lock.confirm(1));
    QCOMPARE(dm.GetConst(QStringLiteral("VERSION")), version); // the write was not kept
    QVERIFY(!admin.exec(QStringLiteral("SELECT pg_try_advisory_lock(%1, 1)").arg(TAdvisorySignInLock::LockClass))
                 .toBool());
}

void TstServerEngine::signInLockBetweenStations()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TSignInLock& lock = dm.engine().signInLock();
    const QString stationTmp = db.programDir() + QStringLiteral("/tmp-station");

    QVERIFY(lock.tryLock(1));
    QVERIFY(lock.tryLock(1)); // again on this station: still held, once
    {
        TStation other(db.programDir(), stationTmp);
        QVERIFY(other.ready());
        QCOMPARE(other.ask("lock 1"), QByteArray("refused"));   // at once, without waiting
        QCOMPARE(other.ask("lock 2"), QByteArray("locked"));    // another pupil is free
        QCOMPARE(other.ask("signin 1"), QByteArray("refused")); // the sign-in's own cursor too
        lock.release(1);
        QVERIFY(!lock.isHeld(1));
        QCOMPARE(other.ask("signin 1"), QByteArray("locked"));
        // held elsewhere: this station can neither sign the pupil in nor delete them
        QVERIFY(!lock.tryLock(1));
        dm.TZak->open();
        QVERIFY(dm.TZak->locate(QStringLiteral("ID_ZAK"), 1));
        QVERIFY_THROWS_EXCEPTION(TError, dm.TZak->edit());
        QCOMPARE(other.ask("release 1"), QByteArray("released"));
        QVERIFY(lock.tryLock(1));
        lock.release(1);

        QCOMPARE(other.ask("lock 1"), QByteArray("locked"));
        other.end(); // a station that ends normally
        QVERIFY(lockWithin(lock, 1, 5000));
        lock.release(1);
    }
    {
        TStation other(db.programDir(), stationTmp);
        QVERIFY(other.ready());
        QCOMPARE(other.ask("lock 1"), QByteArray("locked"));
        other.kill(); // a station that crashes: its session ends with it
        QVERIFY(lockWithin(lock, 1, 10000));
        lock.release(1);
    }
    {
        TStation other(db.programDir(), stationTmp);
        QVERIFY(other.ready());
        QCOMPARE(other.ask("lock 1"), QByteArray("locked"));
        // a station whose connection is lost holds nothing any more
        TRawConnection admin(*db.serverConfig());
        admin.exec(
            QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = "
                           "current_database() AND application_name = 'ferdano' AND pid <> pg_backend_pid() "
                           "AND pid IN (SELECT pid FROM pg_locks WHERE locktype = 'advisory')"));
        QVERIFY(lockWithin(lock, 1, 5000));
    }
}

void TstServerEngine::signInLockKeysStayOurs()
{
    if (!TTestDb::onServer())
        QSKIP("needs the test server (FERDANO_TEST_PG)");
    TTestDb db;
    TDM& dm = db.open();
    TRawConnection other(*db.serverConfig());
    // another program's one-key lock 1 and a lock of another class with the same number
    QVERIFY(other.exec(QStringLiteral("SELECT pg_try_advisory_lock(1)")).toBool());
    QVERIFY(other.exec(QStringLiteral("SELECT pg_try_advisory_lock(7, 1)")).toBool());
    QVERIFY(dm.engine().signInLock().tryLock(1));
    QCOMPARE(
        other.exec(QStringLiteral("SELECT pg_try_advisory_lock(%1, 1)").arg(TAdvisorySignInLock::LockClass))
            .toBool(),
        false);
    dm.engine().signInLock().releaseAll();
    QVERIFY(
        other.exec(QStringLiteral("SELECT pg_try_advisory_lock(%1, 1)").arg(TAdvisorySignInLock::LockClass))
            .toBool());
}

// "--station PROGRAMDIR TEMPDIR": a second station. It opens the database and answers commands
// on stdin: "lock N" / "signin N" (through the sign-in cursor TZak) -> locked|refused,
// "release N" -> released, "end" -> closes the database and ends.
static int stationMain(int argc, char** argv)
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
    std::string command;
    int pupil = 0;
    while (std::cin >> command) {
        if (command == "end")
            break;
        std::cin >> pupil;
        TSignInLock& lock = dm.engine().signInLock();
        if (command == "lock") {
            std::cout << (lock.tryLock(pupil) ? "locked" : "refused") << std::endl;
        } else if (command == "signin") {
            bool ok = false;
            try {
                dm.TZak->close();
                dm.TZak->open();
                ok = dm.TZak->locate(QStringLiteral("ID_ZAK"), pupil);
                if (ok)
                    dm.TZak->edit();
            } catch (const TError&) {
                ok = false;
            }
            std::cout << (ok ? "locked" : "refused") << std::endl;
        } else if (command == "release") {
            dm.TZak->close();
            lock.release(pupil);
            std::cout << "released" << std::endl;
        }
    }
    dm.DMDestroy();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--station") == 0)
        return stationMain(argc, argv);
    // a zone far from the server's, so that a date-time shifted by the zone would show
    qputenv("TZ", "America/St_Johns");
    QGuiApplication app(argc, argv); // the builder draws the sample pictures
    TstServerEngine t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_serverengine.moc"
