// The sign-in window: look-up, password, a new pupil, quoting, keys and the lock it leaves held.
#include "PupilsTestSupport.h"

#include "app/MainDlg.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "pupils/DBLookupList.h"
#include "widgets/DBEdit.h"
#include "widgets/FancyButton.h"

#include <QScopeGuard>

#include <utility>

using namespace PupilsTest;

class TstLogonDlg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void prefill();
    void signIn_data();
    void signIn();
    void signedInPupilFields();
    void unknownIdentificationCreatesPupil();
    void cancelledNewPupilChangesNothing();
    void newPupilWithBlanksIsFoundAgain();
    void keys();
    void comingBackKeepsTheFocus();
    void wrongPasswordThenStornoKeepsPrevious();
    void databaseErrorKeepsPrevious();
    void switchingPupilsMovesTheLock();
    void inputLengths();
    void mainWindowHooks();

private:
    std::unique_ptr<Station> m_station;
};

void TstLogonDlg::init()
{
    m_station = std::make_unique<Station>();
}

void TstLogonDlg::cleanup()
{
    m_station.reset();
}

void TstLogonDlg::prefill()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    QString rc, password;
    auto look = [&](int pupilId) {
        LogonDlg->Edit2()->setText(QStringLiteral("staré heslo"));
        whenShown(LogonDlg, [&] {
            rc = LogonDlg->Edit1()->text();
            password = LogonDlg->Edit2()->text();
            QTest::keyClick(LogonDlg, Qt::Key_Escape);
        });
        return LogonDlg->Logon(pupilId);
    };
    QVERIFY(!look(-1));
    QCOMPARE(rc, QStringLiteral("admin"));
    QCOMPARE(password, QString());
    QVERIFY(!look(novak));
    QCOMPARE(rc, QStringLiteral("novak"));
    exec(QStringLiteral("delete from ZAK where ID_ZAK=1"));
    QVERIFY(!look(-1));
    QCOMPARE(rc, QString());
    QCOMPARE(SignedInPupil.PupilId, 0);
}

void TstLogonDlg::signIn_data()
{
    QTest::addColumn<QString>("storedRc");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<QString>("typedRc");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("message");

    const QString none;
    QTest::newRow("sample pupil") << none << none << "admin"
                                  << "ferdano" << true << none;
    QTest::newRow("blanks typed") << none << none << "  admin "
                                  << " ferdano  " << true << none;
    QTest::newRow("blanks stored in password") << "novak"
                                               << " tajne "
                                               << "novak"
                                               << "tajne" << true << none;
    QTest::newRow("password case counts") << none << none << "admin"
                                          << "Ferdano" << false << Str::WrongPassword;
    QTest::newRow("wrong password") << none << none << "admin"
                                    << "x" << false << Str::WrongPassword;
    QTest::newRow("empty password") << none << none << "admin"
                                    << "" << false << Str::WrongPassword;
    QTest::newRow("apostrophe in identification") << "O'Neil"
                                                  << "irsko"
                                                  << "O'Neil"
                                                  << "irsko" << true << none;
    QTest::newRow("quote cannot widen the look-up") << none << none << "' OR '1'='1"
                                                    << "ferdano" << false << Str::PupilNotFound;
    QTest::newRow("apostrophe, wrong password") << "O'Neil"
                                                << "irsko"
                                                << "O'Neil"
                                                << "IRSKO" << false << Str::WrongPassword;
}

void TstLogonDlg::signIn()
{
    QFETCH(QString, storedRc);
    QFETCH(QString, storedPassword);
    QFETCH(QString, typedRc);
    QFETCH(QString, typedPassword);
    QFETCH(bool, signedIn);
    QFETCH(QString, message);
    Messages m;
    int expectedId = 1;
    if (!storedRc.isEmpty())
        expectedId = addPupil(storedRc, storedPassword, QStringLiteral("Příjmení"), QStringLiteral("Jméno"));
    const int rows = scalar(QStringLiteral("select count(*) from ZAK")).toInt();

    bool stayedOpen = false;
    QCOMPARE(PupilsTest::signIn(typedRc, typedPassword, &stayedOpen), signedIn);
    QCOMPARE(stayedOpen, !signedIn);
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(m.texts, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(SignedInPupil.PupilId, signedIn ? expectedId : 0);
    QCOMPARE(m_station->lock().isHeld(expectedId), signedIn);
    QCOMPARE(DM->TZak->lockedKey().has_value(), signedIn);
    // Declining the offer of a new pupil stores nothing.
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK")).toInt(), rows);
}

void TstLogonDlg::signedInPupilFields()
{
    Messages m;
    exec(QStringLiteral("update ZAK set TITUL='Ing.' where ID_ZAK=1"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QCOMPARE(SignedInPupil.PupilId, 1);
    QCOMPARE(SignedInPupil.LicenceCategory, QStringLiteral("B"));
    const QString b = QStringLiteral(" from RP where RP='B'");
    QCOMPARE(SignedInPupil.SkillLevel, scalar(QStringLiteral("select SKILL_LEVEL") + b).toInt());
    QCOMPARE(SignedInPupil.PassMinimum, scalar(QStringLiteral("select MINIMUM") + b).toInt());
    QCOMPARE(SignedInPupil.MandatoryGroup, scalar(QStringLiteral("select FLAG") + b).toInt());
    QVERIFY(SignedInPupil.SkillLevel > 0 && SignedInPupil.PassMinimum > 0 &&
            SignedInPupil.MandatoryGroup > 0);
    QCOMPARE(SignedInPupil.FullName, QStringLiteral("Ing. Autoškola Správce"));
    QCOMPARE(TSession::instance().userLabel(), QStringLiteral("Uživatel: Ing. Autoškola Správce"));
}

// Fills the record window that the sign-in opens for a new pupil and saves it with Enter.
static void fillNewPupil(QString* shownRc, QString* shownPassword, const QString& surname)
{
    whenShown(ZakDlg, [=] {
        *shownRc = ZakDlg->Edit(1)->text();
        *shownPassword = ZakDlg->Edit(2)->text();
        typeText(ZakDlg->Edit(3), surname);
        TDBLookupList* list = ZakDlg->DBLookupListBox1();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(1, 0)).center()); // "B"
        QTest::keyClick(ZakDlg->Edit(3), Qt::Key_Return);
        if (ZakDlg->isVisible())
            QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
}

void TstLogonDlg::unknownIdentificationCreatesPupil()
{
    Messages m;
    m.answers = {true};
    QString shownRc, shownPassword;
    fillNewPupil(&shownRc, &shownPassword, QStringLiteral("Nováková"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("nova"), QStringLiteral("Heslo7")));
    QCOMPARE(m.texts, QStringList{Str::PupilNotFound});
    QCOMPARE(shownRc, QStringLiteral("nova"));
    QCOMPARE(shownPassword, QStringLiteral("Heslo7"));
    const int id = scalar(QStringLiteral("select ID_ZAK from ZAK where RC='nova'")).toInt();
    QVERIFY(id > 1);
    QCOMPARE(SignedInPupil.PupilId, id);
    QCOMPARE(SignedInPupil.LicenceCategory, QStringLiteral("B"));
    QCOMPARE(SignedInPupil.FullName, QStringLiteral("  Nováková"));
    QVERIFY(m_station->lock().isHeld(id));
    QCOMPARE(scalar(QStringLiteral("select HESLO from ZAK where ID_ZAK=%1").arg(id)).toString(),
             QStringLiteral("Heslo7"));
}

void TstLogonDlg::cancelledNewPupilChangesNothing()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    m.answers = {true};
    whenShown(ZakDlg, [] { QTest::keyClick(ZakDlg, Qt::Key_Escape); });
    bool stayedOpen = false;
    QVERIFY(!PupilsTest::signIn(QStringLiteral("nikdo"), QStringLiteral("x"), &stayedOpen, 1));
    QVERIFY(stayedOpen);
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK")).toInt(), 1);
    QCOMPARE(SignedInPupil.PupilId, 1);
    QVERIFY(m_station->lock().isHeld(1));
    QVERIFY(!DM->QZak->updatesPending());
}

// A pupil created with blanks around the identification is stored as every look-up finds it:
// signed in at once, signed in again later without the blanks, and no second pupil of that name.
void TstLogonDlg::newPupilWithBlanksIsFoundAgain()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    m.answers = {true};
    QString shownRc, shownPassword;
    fillNewPupil(&shownRc, &shownPassword, QStringLiteral("Mezera"));
    QVERIFY(PupilsTest::signIn(QStringLiteral(" mezera "), QStringLiteral(" m "), nullptr, 1));
    QCOMPARE(shownRc, QStringLiteral(" mezera "));
    QCOMPARE(m.texts, QStringList{Str::PupilNotFound});
    const int id = scalar(QStringLiteral("select ID_ZAK from ZAK where RC='mezera'")).toInt();
    QVERIFY(id > 1);
    QCOMPARE(SignedInPupil.PupilId, id);
    QVERIFY(m_station->lock().isHeld(id));
    QVERIFY(!m_station->lock().isHeld(1));

    m.texts.clear();
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano"), nullptr, id));
    QVERIFY(PupilsTest::signIn(QStringLiteral("mezera"), QStringLiteral("m"), nullptr, 1));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(SignedInPupil.PupilId, id);

    whenShown(ZakDlg, [] {
        typeText(ZakDlg->Edit(3), QStringLiteral("Druhý"));
        QTest::keyClick(ZakDlg->Edit(3), Qt::Key_Return);
        if (ZakDlg->isVisible())
            QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    QVERIFY(!ZakDlg->EditPupil(true, QStringLiteral("mezera"), QStringLiteral("x")));
    QCOMPARE(m.texts, QStringList{Str::PupilExists});
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK where RC like '%mezera%'")).toInt(), 1);
}

void TstLogonDlg::keys()
{
    Messages m;
    // Enter in the identification edit acts as "&Ok".
    whenShown(LogonDlg, [] {
        QTest::keyClicks(LogonDlg->Edit2(), QStringLiteral("ferdano"));
        QTest::keyClick(LogonDlg->Edit1(), Qt::Key_Enter);
    });
    QVERIFY(LogonDlg->Logon(-1));
    QCOMPARE(SignedInPupil.PupilId, 1);
    // Esc acts as "&Storno", even after a password has been typed.
    whenShown(LogonDlg, [] {
        QTest::keyClicks(LogonDlg->Edit1(), QStringLiteral("x"));
        QTest::keyClick(LogonDlg->Edit2(), Qt::Key_Escape);
    });
    QVERIFY(!LogonDlg->Logon(1));
    // "&Storno" clicked with the mouse.
    whenShown(LogonDlg, [] { clickButton(LogonDlg->CancelBtn()); });
    QVERIFY(!LogonDlg->Logon(1));
    // "&Ok" clicked with the mouse.
    whenShown(LogonDlg, [] {
        QTest::keyClicks(LogonDlg->Edit2(), QStringLiteral("ferdano"));
        clickButton(LogonDlg->OkBtn());
    });
    QVERIFY(LogonDlg->Logon(1));
    QCOMPARE(m.texts, QStringList());
    QVERIFY(m_station->lock().isHeld(1));
}

// Coming back to the sign-in window (from a message or another program) leaves the focus where the
// user left it; only the opening puts it into the identification.
void TstLogonDlg::comingBackKeepsTheFocus()
{
    QString atOpening, afterComingBack;
    whenShown(LogonDlg, [&] {
        QTRY_VERIFY(LogonDlg->isActiveWindow());
        atOpening = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        LogonDlg->Edit2()->setFocus();
        QEvent away(QEvent::WindowDeactivate), back(QEvent::WindowActivate);
        QApplication::sendEvent(LogonDlg, &away);
        QApplication::sendEvent(LogonDlg, &back);
        afterComingBack = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        QTest::keyClick(LogonDlg, Qt::Key_Escape);
    });
    QVERIFY(!LogonDlg->Logon(-1));
    QCOMPARE(atOpening, QStringLiteral("Edit1"));
    QCOMPARE(afterComingBack, QStringLiteral("Edit2"));
}

void TstLogonDlg::wrongPasswordThenStornoKeepsPrevious()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"), QStringLiteral("C"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1")));
    bool stayedOpen = false;
    QVERIFY(!PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("spatne"), &stayedOpen, novak));
    QVERIFY(stayedOpen);
    QCOMPARE(m.texts, QStringList{Str::WrongPassword});
    QCOMPARE(SignedInPupil.PupilId, novak);
    QCOMPARE(SignedInPupil.LicenceCategory, QStringLiteral("C"));
    QVERIFY(m_station->lock().isHeld(novak));
    QVERIFY(!m_station->lock().isHeld(1));
}

// A database error while the pupils are read again for the lock is shown as itself, not as
// "already signed in", and the previous pupil stays signed in and locked.
void TstLogonDlg::databaseErrorKeepsPrevious()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"), QStringLiteral("C"));
    // The lock cursor reads a table of its own, which the test can take away under it.
    exec(QStringLiteral("CREATE TABLE ZAK_ZAMEK AS SELECT * FROM ZAK"));
    TTable cursor(QStringLiteral("TZak"), QStringLiteral("ZAK_ZAMEK"), QStringLiteral("ID_ZAK"));
    cursor.setRowLock(&m_station->lock(), QStringLiteral("ID_ZAK"));
    TTable* const programCursor = std::exchange(DM->TZak, &cursor);
    auto restore = qScopeGuard([&] { DM->TZak = programCursor; });
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1")));
    exec(QStringLiteral("DROP TABLE ZAK_ZAMEK"));
    bool stayedOpen = false;
    QVERIFY(!PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano"), &stayedOpen, novak));
    QVERIFY(stayedOpen);
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(m.errors.size(), 1);
    QVERIFY2(m.errors[0].contains(QLatin1String("zak_zamek"), Qt::CaseInsensitive), qPrintable(m.errors[0]));
    QCOMPARE(SignedInPupil.PupilId, novak);
    QCOMPARE(SignedInPupil.LicenceCategory, QStringLiteral("C"));
    QVERIFY(m_station->lock().isHeld(novak));
    QVERIFY(!m_station->lock().isHeld(1));
    QCOMPARE(cursor.lockedKey(), std::optional<int>(novak));
}

void TstLogonDlg::switchingPupilsMovesTheLock()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    // Signing in again as the same pupil keeps the lock.
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano"), nullptr, 1));
    QVERIFY(m_station->lock().isHeld(1));
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1"), nullptr, 1));
    QCOMPARE(SignedInPupil.PupilId, novak);
    QVERIFY(m_station->lock().isHeld(novak));
    QVERIFY(!m_station->lock().isHeld(1));
    QCOMPARE(DM->TZak->lockedKey(), std::optional<int>(novak));
    QCOMPARE(DM->TZak->state(), TDataSet::State::Edit);
    QCOMPARE(m.texts, QStringList());
}

void TstLogonDlg::inputLengths()
{
    whenShown(LogonDlg, [] {
        LogonDlg->Edit1()->clear();
        QTest::keyClicks(LogonDlg->Edit1(), QStringLiteral("123456789012345"));
        QTest::keyClicks(LogonDlg->Edit2(), QStringLiteral("abcdefghijklmn"));
        QCOMPARE(LogonDlg->Edit1()->text(), QStringLiteral("12345678901"));
        QCOMPARE(LogonDlg->Edit2()->text(), QStringLiteral("abcdefghij"));
        // The password is shown as typed.
        QCOMPARE(LogonDlg->Edit2()->echoMode(), QLineEdit::Normal);
        QTest::keyClick(LogonDlg, Qt::Key_Escape);
    });
    QVERIFY(!LogonDlg->Logon(-1));
}

void TstLogonDlg::mainWindowHooks()
{
    Messages m;
    // A cancelled first sign-in ends the program: the main window's modal run returns.
    {
        TMainDlg main;
        whenShown(LogonDlg, [] { QTest::keyClick(LogonDlg, Qt::Key_Escape); });
        QVERIFY(!main.ShowModal());
        QCOMPARE(SignedInPupil.PupilId, 0);
    }
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    TMainDlg main;
    QString prefilled;
    bool mainVisible = false;
    whenShown(LogonDlg, [&] {
        LogonDlg->Edit1()->clear();
        typeText(LogonDlg->Edit1(), QStringLiteral("novak"));
        typeText(LogonDlg->Edit2(), QStringLiteral("n1"));
        QTest::keyClick(LogonDlg->Edit2(), Qt::Key_Return);
        whenShown(&main, [&] {
            // "&Přihlášení" pre-fills the signed-in pupil and leaves the main window on screen.
            whenShown(LogonDlg, [&] {
                prefilled = LogonDlg->Edit1()->text();
                mainVisible = main.isVisible();
                QTest::keyClick(LogonDlg, Qt::Key_Escape);
            });
            main.button(7)->click();
            main.button(9)->click();
        });
    });
    QVERIFY(!main.ShowModal());
    QCOMPARE(prefilled, QStringLiteral("novak"));
    QVERIFY(mainVisible);
    QCOMPARE(SignedInPupil.PupilId, novak);
    QVERIFY(m_station->lock().isHeld(novak));
    QCOMPARE(m.texts, QStringList());
}

PUPILS_TEST_MAIN(TstLogonDlg)
#include "tst_logondlg.moc"
