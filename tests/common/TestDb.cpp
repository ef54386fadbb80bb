// Test database fixture, on SQLite or on the test server.
#include "TestDb.h"

#include "data/Globals.h"
#include "data/SignInLock.h"

#include "Builder.h"
#include "ServerLoad.h"

#include "data/Engine.h"
#include "data/Error.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs one statement on the server's maintenance database.
void adminExec(const QString& sql)
{
    const QString conn = QStringLiteral("testdb-admin-") + QUuid::createUuid().toString(QUuid::Id128);
    QString error;
    {
        try {
            QSqlDatabase db = TPgEngine::connect(TTestDb::serverAdminConfig(), conn);
            QSqlQuery q(db);
            if (!q.exec(sql)) error = q.lastError().text();
        } catch (const TError& e) {
            error = e.message();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (!error.isEmpty()) qFatal("test server: %s\n%s", qPrintable(error), qPrintable(sql));
}

QAtomicInt s_counter;

} // namespace

bool TTestDb::onServer()
{
    return !qEnvironmentVariable("FERDANO_TEST_PG").isEmpty();
}

TServerConfig TTestDb::serverAdminConfig()
{
    TServerConfig c;
    c.host = qEnvironmentVariable("FERDANO_TEST_PG");
    const int port = qEnvironmentVariableIntValue("FERDANO_TEST_PG_PORT");
    if (port > 0) c.port = port;
    c.user = qEnvironmentVariable("FERDANO_TEST_PG_USER", QStringLiteral("postgres"));
    c.database = QStringLiteral("postgres");
    return c;
}

TTestDb::TTestDb(Bank bank)
{
    if (!onServer() && qEnvironmentVariable("FERDANO_TEST_ENGINE") == QLatin1String("postgres")) {
        // a server twin of a test, run without a test server (scripts/test.sh starts one)
        std::fprintf(stderr, "FERDANO_TEST_PG names no test server: skipped\n");
        std::exit(77);
    }
    // Banks are imported by the program's own builder.
    TBuildOptions force;
    force.force = true;
    const TBuildResult r = bank == Bank::Test     ? Builder::importBank(QStringLiteral(FERDANO_TEST_BANK_DIR), dbDir(), force)
                           : bank == Bank::Sample ? Builder::buildSample(dbDir(), force)
                                                  : Builder::buildEmpty(dbDir());
    if (!r.ok) qFatal("test database could not be built: %s", qPrintable(r.problems.join(u'\n')));
    QDir(m_dir.path()).mkpath(QStringLiteral("tmp"));
    if (!onServer()) return;

    TServerConfig c = serverAdminConfig();
    c.database = QStringLiteral("ferdano_t%1_%2_%3")
                     .arg(QCoreApplication::applicationPid())
                     .arg(s_counter.fetchAndAddRelaxed(1))
                     .arg(QRandomGenerator::global()->generate() & 0xffffff, 6, 16, QChar(u'0'));
    adminExec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(c.database));
    m_server = c;
    TServerLoadOptions o;
    o.keepPupils = false;
    o.force = true;
    const QString file = QDir(dbDir()).filePath(QString::fromLatin1(SqliteFileName));
    const TBuildResult loaded = ServerLoad::loadFromSqlite(c, file, o);
    if (!loaded.ok)
        qFatal("test database could not be loaded into the server: %s",
               qPrintable(loaded.problems.join(u'\n')));
    // Only the server is the database now, so that nothing reads a stale file by mistake.
    QFile::remove(file);
    QFile conf(QDir(dbDir()).filePath(QString::fromLatin1(ServerFileName)));
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate) || conf.write(c.toText().toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(conf.fileName()));
}

TTestDb::~TTestDb()
{
    closeDm();
    if (m_server)
        adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_server->database));
}

TDM::Options TTestDb::options() const
{
    TDM::Options o;
    o.programDir = m_dir.path();
    o.tempDir = m_dir.path() + QStringLiteral("/tmp");
    return o;
}

TDM& TTestDb::open()
{
    closeDm();
    m_dm = std::make_unique<TDM>();
    m_dm->DMCreate(options());
    return *m_dm;
}

void TTestDb::signIn(int pupilId)
{
    if (!m_dm || !m_dm->engine().signInLock().tryLock(pupilId))
        qFatal("pupil %d cannot be signed in", pupilId);
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = pupilId; });
}

void TTestDb::closeDm()
{
    m_dm.reset();
}
