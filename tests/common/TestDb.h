// A fresh database per test: built with the program's own builder in a temporary directory,
// and the data module opened on it. When the environment names a test server
// (FERDANO_TEST_PG=<socket directory or host>, optionally FERDANO_TEST_PG_PORT and
// FERDANO_TEST_PG_USER), the built database is loaded into a new database of its own on that
// server and DB/server.conf points at it, so that the data module opens PostgreSQL.
#pragma once

#include "data/DataModule.h"
#include "data/Globals.h"
#include "data/PgEngine.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

class TTestDb
{
public:
    enum class Bank
    {
        Test,   // the small bank of known content in tests/common/testbank
        Sample, // the sample bank that the program ships (bank/)
        Tables  // the tables only
    };
    // Builds the database in a new temporary program directory.
    explicit TTestDb(Bank bank);
    explicit TTestDb(bool withBank = true) : TTestDb(withBank ? Bank::Test : Bank::Tables) {}
    ~TTestDb();
    TTestDb(const TTestDb&) = delete;
    TTestDb& operator=(const TTestDb&) = delete;

    QString programDir() const { return m_dir.path(); }
    QString dbDir() const { return m_dir.path() + QStringLiteral("/DB"); }
    // Opens the data module on the database (DMCreate); the private directory is inside the
    // temporary directory too, so that tests never see each other's instance marker.
    TDM& open();
    TDM* dm() const { return m_dm.get(); }
    void closeDm();
    // Signs the pupil in: its sign-in lock taken, then SignedInPupil set (its id only).
    // Aborts the test when another station holds the pupil.
    void signIn(int pupilId);
    TDM::Options options() const;

    // True when the tests of this process run against the test server.
    static bool onServer();
    // The test server's maintenance database ("postgres"); only meaningful when onServer().
    static TServerConfig serverAdminConfig();
    // This test's server database, when on the server.
    std::optional<TServerConfig> serverConfig() const { return m_server; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
    std::optional<TServerConfig> m_server;
};

// Changes the signed-in pupil as a test needs it, through the session as the program does.
template <typename Change> void changeSignedIn(Change change)
{
    TSignedInPupil pupil = SignedInPupil;
    change(pupil);
    TSession::instance().setSignedInPupil(pupil);
}

// Runs a statement on the open test database with its values bound.
inline void execBound(const QString& sql, std::initializer_list<TParam> params)
{
    TQuery q(QStringLiteral("QTestSql"));
    q.setSql({sql});
    for (const TParam& p : params)
        q.setParam(p.name, p.value);
    q.execSql();
}
