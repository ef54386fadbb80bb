// The pupil register and the "Evidence žáků" command: order, the delete button, adding and
// deleting at once, refused deletions, re-reading the signed-in pupil, the category animation.
#include "PupilsTestSupport.h"

#include "app/MainDlg.h"
#include "data/Format.h"
#include "pictures/FrameList.h"
#include "data/Strings.h"
#include "pupils/Animate.h"
#include "pupils/DBLookupList.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"

#include <QAccessible>
#include <QBuffer>

using namespace PupilsTest;

class TstZakListDlg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void registerInSurnameOrder();
    void registerInCzechOrder();
    void otherPupilGetsOwnRecord();
    void addedPupilCanBeDeletedAtOnce();
    void declinedDeletionDeletesNothing();
    void pupilSignedInElsewhereIsNotDeleted();
    void deletionRefusedByTheDatabase_data();
    void deletionRefusedByTheDatabase();
    void closingRereadsSignedInPupil();
    void categoryAnimation();
    void screenReaderSeesValuesAndOnlyTheModalWindow();

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<TMainDlg> m_main;
};

namespace {

void clickRow(TDBGrid* grid, int row)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 0)).center());
}

int rowOf(TDBGrid* grid, const QString& rc)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (grid->model()->index(r, 0).data().toString() == rc)
            return r;
    return -1;
}

// Runs the "Evidence žáků" command with `inRegister` acting in the register, then closes it.
void runRegister(std::function<void()> inRegister)
{
    whenShown(ZakListDlg, [inRegister] {
        inRegister();
        clickButton(ZakListDlg->OkBtn());
    });
    MainDlg->DsFancyButton6Click();
}

void chooseCategory(const QString& category)
{
    TDBLookupList* list = ZakDlg->DBLookupListBox1();
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == category)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
}

QByteArray bmp(QColor colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

void TstZakListDlg::init()
{
    m_station = std::make_unique<Station>();
    m_main = std::make_unique<TMainDlg>();
    showSignedInAsPupilOne(*m_main);
    QVERIFY(m_main->isVisible());
}

void TstZakListDlg::cleanup()
{
    m_main.reset();
    m_station.reset();
}

void TstZakListDlg::registerInSurnameOrder()
{
    Messages m;
    addPupil(QStringLiteral("svoboda"), QStringLiteral("s"), QStringLiteral("Svoboda"),
             QStringLiteral("Jan"));
    addPupil(QStringLiteral("petr"), QStringLiteral("p"), QStringLiteral("Novák"), QStringLiteral("Petr"));
    addPupil(QStringLiteral("adam"), QStringLiteral("a"), QStringLiteral("Novák"), QStringLiteral("Adam"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QStringList rows, deletable;
    bool mainHidden = false;
    runRegister([&] {
        mainHidden = !MainDlg->isVisible();
        TDBGrid* grid = ZakListDlg->DBGrid1();
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Identifikace"));
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            clickRow(grid, r);
            rows << grid->model()->index(r, 1).data().toString() + u' ' +
                        grid->model()->index(r, 2).data().toString();
            deletable << (ZakListDlg->DelBtn()->isEnabled() ? QStringLiteral("yes") : QStringLiteral("no"));
        }
    });
    QVERIFY(mainHidden);
    QVERIFY(MainDlg->isVisible());
    QCOMPARE(rows, (QStringList{"Novák Adam", "Novák Petr", "Správce Autoškola", "Svoboda Jan"}));
    QCOMPARE(deletable, (QStringList{"yes", "yes", "no", "yes"}));
    QCOMPARE(m.texts, QStringList());
}

// The register is in Czech order: "č" after "c", "ch" after "h", "š" after "s", "ž" after "z",
// the first names likewise.
void TstZakListDlg::registerInCzechOrder()
{
    Messages m;
    const QList<QPair<QString, QString>> pupils = {
        {"Svoboda", "Jan"}, {"Zelený", "Ivo"},  {"Čech", "Jan"},    {"Šafránek", "Jan"},
        {"Žáček", "Jan"},   {"Chalupa", "Jan"}, {"Cibulka", "Jan"}, {"Hora", "Čeněk"},
        {"Hora", "Cyril"},  {"Hora", "Hugo"},   {"Hora", "Chrudoš"}};
    for (int i = 0; i < pupils.size(); ++i)
        addPupil(QStringLiteral("p%1").arg(i), QStringLiteral("x"), pupils[i].first, pupils[i].second);
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QStringList rows;
    runRegister([&] {
        TDBGrid* grid = ZakListDlg->DBGrid1();
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            rows << grid->model()->index(r, 1).data().toString() + u' ' +
                        grid->model()->index(r, 2).data().toString();
    });
    QCOMPARE(rows, (QStringList{"Cibulka Jan", "Čech Jan", "Hora Cyril", "Hora Čeněk", "Hora Hugo",
                                "Hora Chrudoš", "Chalupa Jan", "Správce Autoškola", "Svoboda Jan",
                                "Šafránek Jan", "Zelený Ivo", "Žáček Jan"}));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(m.errors, QStringList());
}

void TstZakListDlg::otherPupilGetsOwnRecord()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1")));
    int rows = -1, id = -1;
    bool registerShown = true;
    whenShown(ZakDlg, [&] {
        rows = DM->QZak->recordCount();
        id = DM->QZak->asInteger(QStringLiteral("ID_ZAK"));
        registerShown = ZakListDlg->isVisible();
        ZakDlg->Edit(4)->selectAll();
        typeText(ZakDlg->Edit(4), QStringLiteral("Pavel"));
        QTest::keyClick(ZakDlg->Edit(4), Qt::Key_Return);
    });
    MainDlg->DsFancyButton6Click();
    QCOMPARE(rows, 1);
    QCOMPARE(id, novak);
    QVERIFY(!registerShown);
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(SignedInPupil.FullName, QStringLiteral(" Pavel Novák"));
    QCOMPARE(TSession::instance().userLabel(), QStringLiteral("Uživatel:  Pavel Novák"));
    QVERIFY(MainDlg->isVisible());
}

void TstZakListDlg::addedPupilCanBeDeletedAtOnce()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    int idInGrid = 0, idInDb = -1, afterDelete = -1;
    runRegister([&] {
        whenShown(ZakDlg, [] {
            typeText(ZakDlg->Edit(1), QStringLiteral("nova"));
            typeText(ZakDlg->Edit(3), QStringLiteral("Nová"));
            chooseCategory(QStringLiteral("A"));
            QTest::keyClick(ZakDlg->Edit(1), Qt::Key_Return);
        });
        clickButton(ZakListDlg->AddBtn());
        idInGrid = DM->QZak->asInteger(QStringLiteral("ID_ZAK"));
        idInDb = scalar(QStringLiteral("select ID_ZAK from ZAK where RC='nova'")).toInt();
        QVERIFY(ZakListDlg->DelBtn()->isEnabled());
        clickButton(ZakListDlg->DelBtn());
        afterDelete = DM->QZak->recordCount();
    });
    QCOMPARE(idInGrid, idInDb);
    QVERIFY(idInGrid > 1);
    QCOMPARE(m.texts,
             QStringList{Format(Str::ConfirmDeletePupil, {QString(), QStringLiteral("Nová"), QString()})});
    QCOMPARE(afterDelete, 1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK")).toInt(), 1);
    QVERIFY(!m_station->lock().isHeld(idInGrid));
    QCOMPARE(m.errors, QStringList());
}

void TstZakListDlg::declinedDeletionDeletesNothing()
{
    Messages m;
    m.confirmMessages = false;
    addPupil(QStringLiteral("svoboda"), QStringLiteral("s"), QStringLiteral("Svoboda"),
             QStringLiteral("Jan"));
    exec(QStringLiteral("update ZAK set TITUL='Mgr.' where RC='svoboda'"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    int rows = -1;
    runRegister([&] {
        clickRow(ZakListDlg->DBGrid1(), rowOf(ZakListDlg->DBGrid1(), QStringLiteral("svoboda")));
        clickButton(ZakListDlg->DelBtn());
        rows = ZakListDlg->DBGrid1()->model()->rowCount();
    });
    QCOMPARE(m.texts, QStringList{QStringLiteral("Opravdu chcete vymazat uživatele 'Mgr. Svoboda Jan '")});
    QCOMPARE(rows, 2);
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK")).toInt(), 2);
}

void TstZakListDlg::pupilSignedInElsewhereIsNotDeleted()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    StationProcess other(m_station->db->programDir());
    QVERIFY(other.started());
    QCOMPARE(other.signIn(QStringLiteral("novak"), QStringLiteral("n1")).value(1), QString::number(novak));
    int rows = -1;
    QString current;
    runRegister([&] {
        clickRow(ZakListDlg->DBGrid1(), rowOf(ZakListDlg->DBGrid1(), QStringLiteral("novak")));
        clickButton(ZakListDlg->DelBtn());
        rows = ZakListDlg->DBGrid1()->model()->rowCount();
        current = DM->QZak->asString(QStringLiteral("RC"));
    });
    QCOMPARE(m.texts.value(1), Str::PupilSignedInElsewhere);
    QCOMPARE(rows, 2);
    QCOMPARE(current, QStringLiteral("novak"));
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK where ID_ZAK=%1").arg(novak)).toInt(), 1);
    QVERIFY(!m_station->lock().isHeld(novak));

    // Once the other station has ended, the pupil can be deleted.
    QVERIFY(other.quit());
    m.texts.clear();
    runRegister([&] {
        clickRow(ZakListDlg->DBGrid1(), rowOf(ZakListDlg->DBGrid1(), QStringLiteral("novak")));
        clickButton(ZakListDlg->DelBtn());
    });
    QCOMPARE(m.texts.size(), 1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK where ID_ZAK=%1").arg(novak)).toInt(), 0);
    QVERIFY(!m_station->lock().isHeld(novak));
}

void TstZakListDlg::deletionRefusedByTheDatabase_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("generalError");
    QTest::addColumn<QString>("message");
    // The trigger's body: what SQLite runs, or what a PostgreSQL trigger function does.
    const bool server = TTestDb::onServer();
    QTest::newRow("delete fails") << (server ? "RAISE EXCEPTION 'nelze mazat'"
                                             : "SELECT RAISE(ABORT, 'nelze mazat')")
                                  << true << QString();
    QTest::newRow("delete silently skipped")
        << (server ? "RETURN NULL" : "SELECT RAISE(IGNORE)") << false << Str::PupilNotDeleted;
}

void TstZakListDlg::deletionRefusedByTheDatabase()
{
    QFETCH(QString, trigger);
    QFETCH(bool, generalError);
    QFETCH(QString, message);
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    if (TTestDb::onServer()) {
        exec(QStringLiteral(
                 "CREATE FUNCTION keep_pupils() RETURNS trigger AS $$ BEGIN %1; END $$ LANGUAGE plpgsql")
                 .arg(trigger));
        exec(QStringLiteral("CREATE TRIGGER keep_pupils BEFORE DELETE ON ZAK FOR EACH ROW EXECUTE FUNCTION "
                            "keep_pupils()"));
    } else {
        exec(QStringLiteral("CREATE TRIGGER keep_pupils BEFORE DELETE ON ZAK BEGIN %1; END").arg(trigger));
    }
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    int rows = -1;
    QString current;
    bool deleteEnabled = false;
    runRegister([&] {
        clickRow(ZakListDlg->DBGrid1(), rowOf(ZakListDlg->DBGrid1(), QStringLiteral("novak")));
        clickButton(ZakListDlg->DelBtn());
        rows = ZakListDlg->DBGrid1()->model()->rowCount();
        current = DM->QZak->asString(QStringLiteral("RC"));
        deleteEnabled = ZakListDlg->DelBtn()->isEnabled();
    });
    QCOMPARE(m.errors.size(), generalError ? 1 : 0);
    QCOMPARE(m.texts.size(), message.isEmpty() ? 1 : 2);
    if (!message.isEmpty())
        QCOMPARE(m.texts.last(), message);
    QCOMPARE(rows, 2);
    QCOMPARE(current, QStringLiteral("novak"));
    QVERIFY(deleteEnabled);
    QVERIFY(!DM->QZak->updatesPending());
    QCOMPARE(scalar(QStringLiteral("select count(*) from ZAK where ID_ZAK=%1").arg(novak)).toInt(), 1);
    QVERIFY(!m_station->lock().isHeld(novak));
}

void TstZakListDlg::closingRereadsSignedInPupil()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    const int skillB = scalar(QStringLiteral("select SKILL_LEVEL from RP where RP='B'")).toInt();
    const int skillC = scalar(QStringLiteral("select SKILL_LEVEL from RP where RP='C'")).toInt();
    QVERIFY(skillB != skillC);
    QCOMPARE(SignedInPupil.SkillLevel, skillB);
    int skillWhileOpen = -1;
    runRegister([&] {
        clickRow(ZakListDlg->DBGrid1(), rowOf(ZakListDlg->DBGrid1(), QStringLiteral("admin")));
        whenShown(ZakDlg, [] {
            chooseCategory(QStringLiteral("C"));
            QTest::keyClick(ZakDlg->Edit(1), Qt::Key_Return);
        });
        clickButton(ZakListDlg->UpdBtn());
        skillWhileOpen = SignedInPupil.SkillLevel;
    });
    QCOMPARE(skillWhileOpen, skillB);
    QCOMPARE(SignedInPupil.PupilId, 1);
    QCOMPARE(SignedInPupil.LicenceCategory, QStringLiteral("C"));
    QCOMPARE(SignedInPupil.SkillLevel, skillC);
    QVERIFY(m_station->lock().isHeld(1));
    QCOMPARE(m.texts, QStringList());
}

void TstZakListDlg::categoryAnimation()
{
    Messages m;
    const QByteArray frames = WriteFrameList({{QStringLiteral("TBitmap"), bmp(Qt::red)},
                                              {QStringLiteral("TBitmap"), bmp(Qt::green)},
                                              {QStringLiteral("TBitmap"), bmp(Qt::blue)}});
    QVERIFY(!frames.isEmpty());
    DM->QTmp->close();
    DM->QTmp->setSql({QStringLiteral("insert into RES (ID, BLOB) values (907, :DATA)")});
    DM->QTmp->setParam(QStringLiteral("DATA"), frames);
    DM->QTmp->execSql();
    DM->QTmp->setSql({QStringLiteral("insert into RES (ID, BLOB) values (908, :DATA)")});
    DM->QTmp->setParam(QStringLiteral("DATA"), frames.left(frames.size() / 2));
    DM->QTmp->execSql();
    DM->TRes->close();
    DM->TRes->open();
    exec(QStringLiteral("update RP set ID_AVI=907 where RP='B'"));
    exec(QStringLiteral("update RP set ID_AVI=908 where RP='C'"));
    exec(QStringLiteral("update RP set ID_AVI=0 where RP='A'"));
    exec(QStringLiteral("insert into RP (RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP) values "
                        "('X', 'Bez animace', 999, 4, 30, 4, 'X')"));
    addPupil(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("Adamec"), QStringLiteral("A"),
             QStringLiteral("A"));
    addPupil(QStringLiteral("c"), QStringLiteral("c"), QStringLiteral("Cibulka"), QStringLiteral("C"),
             QStringLiteral("C"));
    addPupil(QStringLiteral("d"), QStringLiteral("d"), QStringLiteral("Dvořák"), QStringLiteral("D"),
             QStringLiteral("X"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QStringList seen;
    TAnimate* animation = ZakListDlg->Animated1();
    runRegister([&] {
        TDBGrid* grid = ZakListDlg->DBGrid1();
        for (const QString& rc : {QStringLiteral("admin"), QStringLiteral("a"), QStringLiteral("c"),
                                  QStringLiteral("d"), QStringLiteral("admin")}) {
            clickRow(grid, rowOf(grid, rc));
            seen << rc + u' ' + QString::number(animation->frameCount()) +
                        (animation->playing() ? " playing" : "");
        }
        // It loops through its frames.
        QTRY_COMPARE_WITH_TIMEOUT(animation->currentFrame(), 2, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(animation->currentFrame(), 0, 2000);
    });
    QCOMPARE(seen, (QStringList{"admin 3 playing", "a 0", "c 0", "d 0", "admin 3 playing"}));
    QVERIFY(!animation->playing());
    QCOMPARE(animation->currentFrame(), -1);
    QCOMPARE(m.errors, QStringList());
}

void TstZakListDlg::screenReaderSeesValuesAndOnlyTheModalWindow()
{
    Messages m;
    QVERIFY(PupilsTest::signIn(QStringLiteral("admin"), QStringLiteral("ferdano")));
    QString addressName, categoryName;
    bool registerStayed = false;
    QStringList registerActions;
    runRegister([&] {
        // the values beside the list are read with what they are
        auto nameOf = [](const char* field) {
            auto* w = ZakListDlg->findChild<QWidget*>(QString::fromLatin1(field));
            return w ? QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name) : QString();
        };
        addressName = nameOf("ADRESA");
        categoryName = nameOf("RP");
        // while the record is open over it, the register's buttons cannot be pressed through
        // the accessibility interface, as they cannot with the mouse
        whenShown(ZakDlg, [&] {
            QAccessibleInterface* ok = QAccessible::queryAccessibleInterface(ZakListDlg->OkBtn());
            registerActions = ok->actionInterface()->actionNames();
            ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            registerStayed = ZakListDlg->isVisible();
            QTest::keyClick(ZakDlg, Qt::Key_Escape);
        });
        clickButton(ZakListDlg->UpdBtn());
    });
    QCOMPARE(addressName, QStringLiteral("Adresa: nevyplněno"));
    QCOMPARE(categoryName, QStringLiteral("Řidičské oprávnění: B"));
    QVERIFY(registerStayed);
    QCOMPARE(registerActions, QStringList());
    QCOMPARE(m.texts, QStringList());
}

PUPILS_TEST_MAIN(TstZakListDlg)
#include "tst_zaklistdlg.moc"
