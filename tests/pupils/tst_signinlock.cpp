// The sign-in lock between stations: each station is a real process on the same database.
#include "PupilsTestSupport.h"

#include "data/Error.h"
#include "data/Strings.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace PupilsTest;

class TstSignInLock : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void secondStationIsRefused();
    void releasedWhenTheOtherStationEnds_data();
    void releasedWhenTheOtherStationEnds();
    void lockFileIsOpenToOtherUsers();
    void failedMoveKeepsPreviousLock();

private:
    std::unique_ptr<Station> m_station;
    int m_novak = 0;
    int m_svoboda = 0;
};

void TstSignInLock::init()
{
    m_station = std::make_unique<Station>();
    m_novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                       QStringLiteral("Petr"));
    m_svoboda = addPupil(QStringLiteral("svoboda"), QStringLiteral("s1"), QStringLiteral("Svoboda"),
                         QStringLiteral("Jan"));
}

void TstSignInLock::cleanup()
{
    m_station.reset();
}

void TstSignInLock::secondStationIsRefused()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1")));
    StationProcess other(m_station->db->programDir());
    QVERIFY(other.started());
    QCOMPARE(other.signIn(QStringLiteral("admin"), QStringLiteral("ferdano")),
             (QStringList{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("-")}));

    // The pupil signed in over there cannot sign in here; the pupil signed in here stays so.
    bool stayedOpen = false;
    QVERIFY(!PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano"), &stayedOpen, m_novak));
    QVERIFY(stayedOpen);
    QCOMPARE(m.texts, QStringList{Str::AlreadySignedIn});
    QCOMPARE(SignedInPupil.PupilId, m_novak);
    QVERIFY(m_station->lock().isHeld(m_novak));
    QCOMPARE(DM->TZak->lockedKey(), std::optional<int>(m_novak));

    // Nor the other way round: the other station keeps its pupil.
    QCOMPARE(other.signIn(QStringLiteral("novak"), QStringLiteral("n1")),
             (QStringList{QStringLiteral("1"), QStringLiteral("1"), Str::AlreadySignedIn}));

    // As soon as the other station signs in as somebody else, its previous pupil is free.
    QCOMPARE(other.signIn(QStringLiteral("svoboda"), QStringLiteral("s1")),
             (QStringList{QString::number(m_svoboda), QString::number(m_svoboda), QStringLiteral("-")}));
    m.texts.clear();
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano"), nullptr, m_novak));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(SignedInPupil.PupilId, 1);
    QVERIFY(!m_station->lock().isHeld(m_novak));

    // And the pupil this station let go can be taken over there.
    QCOMPARE(other.signIn(QStringLiteral("novak"), QStringLiteral("n1")),
             (QStringList{QString::number(m_novak), QString::number(m_novak), QStringLiteral("-")}));
    QCOMPARE(other.signIn(QStringLiteral("admin"), QStringLiteral("ferdano")),
             (QStringList{QString::number(m_novak), QString::number(m_novak), Str::AlreadySignedIn}));
    QVERIFY(other.quit());
}

void TstSignInLock::releasedWhenTheOtherStationEnds_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("ends") << false;
    QTest::newRow("is killed") << true;
}

void TstSignInLock::releasedWhenTheOtherStationEnds()
{
    QFETCH(bool, killed);
    Messages m;
    StationProcess other(m_station->db->programDir());
    QVERIFY(other.started());
    QCOMPARE(other.signIn(QStringLiteral("svoboda"), QStringLiteral("s1")).value(1),
             QString::number(m_svoboda));
    bool stayedOpen = false;
    QVERIFY(!PupilsTest::signIn(QStringLiteral("svoboda"), QStringLiteral("s1"), &stayedOpen));
    QVERIFY(stayedOpen);
    QCOMPARE(SignedInPupil.PupilId, 0);
    QVERIFY(!DM->TZak->lockedKey().has_value());
    QVERIFY(killed ? other.kill() : other.quit());
    m.texts.clear();
    QVERIFY(PupilsTest::signIn(QStringLiteral("svoboda"), QStringLiteral("s1")));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(SignedInPupil.PupilId, m_svoboda);
}

void TstSignInLock::lockFileIsOpenToOtherUsers()
{
    if (TTestDb::onServer())
        QSKIP("the lock file belongs to the SQLite engine");
#ifdef Q_OS_WIN
    QSKIP("on Windows the folder's permissions say who may write the lock file");
#else
    Messages m;
    const QString path = m_station->db->dbDir() + QStringLiteral("/ferdano.lck");
    QFile::remove(path);
    const mode_t previous = ::umask(022);
    const bool signedIn = PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1"));
    ::umask(previous);
    QVERIFY(signedIn);
    const QFile::Permissions p = QFileInfo(path).permissions();
    QVERIFY(p.testFlag(QFile::WriteGroup));
    QVERIFY(p.testFlag(QFile::WriteOther));
#endif
}

// A move of the lock that fails, for want of a row or by a database error, leaves the previous
// pupil locked, current and in edit state; the error is thrown as itself.
void TstSignInLock::failedMoveKeepsPreviousLock()
{
    TTable& cursor = *DM->TZak;
    TSignInLock& lock = m_station->lock();
    auto keepsNovak = [&] {
        QVERIFY(lock.isHeld(m_novak));
        QCOMPARE(cursor.lockedKey(), std::optional<int>(m_novak));
        QCOMPARE(cursor.state(), TDataSet::State::Edit);
        QCOMPARE(cursor.asInteger(QStringLiteral("ID_ZAK")), m_novak);
    };
    QVERIFY(cursor.moveLockTo(m_novak));
    QVERIFY(!cursor.moveLockTo(4711));
    QVERIFY(!lock.isHeld(4711));
    keepsNovak();
    // Holding the same pupil again keeps the lock without letting it go in between.
    QVERIFY(cursor.moveLockTo(m_novak));
    keepsNovak();

    exec(QStringLiteral("ALTER TABLE ZAK RENAME TO ZAK_JINDE"));
    QString error;
    try {
        cursor.moveLockTo(m_svoboda);
    } catch (const TError& e) {
        error = e.message();
    }
    QVERIFY2(error.contains(QLatin1String("zak"), Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(!lock.isHeld(m_svoboda));
    keepsNovak();

    exec(QStringLiteral("ALTER TABLE ZAK_JINDE RENAME TO ZAK"));
    QVERIFY(cursor.moveLockTo(m_svoboda));
    QVERIFY(lock.isHeld(m_svoboda));
    QVERIFY(!lock.isHeld(m_novak));
    QCOMPARE(cursor.lockedKey(), std::optional<int>(m_svoboda));
}

PUPILS_TEST_MAIN(TstSignInLock)
#include "tst_signinlock.moc"
