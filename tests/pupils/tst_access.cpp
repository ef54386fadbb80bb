// Only the privileged pupil reaches the register and deletes reports: every other pupil gets the
// own record alone, with the delete refused even when its handler is called directly.
#include "PupilsTestSupport.h"

#include "app/MainDlg.h"
#include "widgets/FancyButton.h"

using namespace PupilsTest;

namespace {

void addReport(int pupilId)
{
    exec(QStringLiteral("insert into STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                        "values (%1, 1, '2026-12-01 10:00:00', 50, 45, 'report', 'Ostré testy')")
             .arg(pupilId));
}

int count(const QString& sql)
{
    return scalar(sql).toInt();
}

} // namespace

class TstAccess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void otherPupilGetsOnlyTheOwnRecord();
    void privilegedPupilGetsTheRegister();
    void registerNeverDeletesThePrivilegedPupil();

private:
    std::unique_ptr<Station> m_station;
    int m_other = 0;
};

void TstAccess::init()
{
    m_station = std::make_unique<Station>();
    m_other = addPupil(QStringLiteral("jiny"), QStringLiteral("heslo"), QStringLiteral("Jiný"),
                       QStringLiteral("Žák"));
    addReport(1);
    addReport(m_other);
    addReport(m_other);
}

void TstAccess::cleanup()
{
    m_station.reset();
}

void TstAccess::otherPupilGetsOnlyTheOwnRecord()
{
    Messages m;
    m.answers = {true, true, true}; // any question, a delete included, would be answered "Ano"
    QVERIFY(signIn(QStringLiteral("jiny"), QStringLiteral("heslo")));
    QCOMPARE(SignedInPupil.PupilId, m_other);
    TMainDlg main;
    bool recordShown = false;
    whenShown(ZakDlg, [&] {
        recordShown = true;
        QVERIFY(!ZakListDlg->isVisible());
        QCOMPARE(DM->QZak->recordCount(), 1);
        QCOMPARE(DM->QZak->asInteger(QStringLiteral("ID_ZAK")), m_other);
        QCOMPARE(DM->QStatistic->recordCount(), 2);
        QVERIFY(ZakDlg->PrintBtn()->isEnabled());
        QVERIFY(!ZakDlg->DelBtn()->isEnabled());
        QTest::mouseClick(ZakDlg->DelBtn(), Qt::LeftButton);
        ZakDlg->DelBtnClick(); // called directly, past the disabled button
        QCOMPARE(DM->QStatistic->recordCount(), 2);
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    main.DsFancyButton6Click();
    QVERIFY(recordShown);
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(count(QStringLiteral("select count(*) from STATIS where ID_ZAK=%1").arg(m_other)), 2);
    QCOMPARE(count(QStringLiteral("select count(*) from STATIS")), 3);
    QCOMPARE(count(QStringLiteral("select count(*) from ZAK")), 2);
}

void TstAccess::privilegedPupilGetsTheRegister()
{
    Messages m;
    QVERIFY(signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QCOMPARE(SignedInPupil.PupilId, 1);
    bool registerShown = false;
    {
        // The main window goes away with its deferred sign-in before the record is opened below.
        TMainDlg main;
        whenShown(ZakListDlg, [&] {
            registerShown = true;
            QCOMPARE(DM->QZak->recordCount(), 2);
            QTest::keyClick(ZakListDlg, Qt::Key_Escape);
        });
        main.DsFancyButton6Click();
    }
    QVERIFY(registerShown);

    // In a pupil's record the privileged pupil may delete a report.
    QVERIFY(DM->QZak->locate(QStringLiteral("ID_ZAK"), m_other));
    m.answers = {true};
    bool deleteEnabled = false;
    whenShown(ZakDlg, [&] {
        deleteEnabled = ZakDlg->DelBtn()->isEnabled();
        QTest::mouseClick(ZakDlg->DelBtn(), Qt::LeftButton);
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(false, QString(), QString());
    QVERIFY(deleteEnabled);
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(count(QStringLiteral("select count(*) from STATIS where ID_ZAK=%1").arg(m_other)), 1);
}

void TstAccess::registerNeverDeletesThePrivilegedPupil()
{
    Messages m;
    m.answers = {true, true};
    QVERIFY(signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    TMainDlg main;
    whenShown(ZakListDlg, [&] {
        QVERIFY(DM->QZak->locate(QStringLiteral("ID_ZAK"), 1));
        QTest::mouseClick(ZakListDlg->DelBtn(), Qt::LeftButton);
        ZakListDlg->DelBtnClick();
        QTest::keyClick(ZakListDlg, Qt::Key_Escape);
    });
    main.DsFancyButton6Click();
    QCOMPARE(m.texts, QStringList()); // not even asked
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(count(QStringLiteral("select count(*) from ZAK where ID_ZAK=1")), 1);
    QCOMPARE(count(QStringLiteral("select count(*) from STATIS where ID_ZAK=1")), 1);
}

PUPILS_TEST_MAIN(TstAccess)

#include "tst_access.moc"
