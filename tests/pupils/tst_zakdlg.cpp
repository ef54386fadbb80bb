// The pupil record: what it shows, validation in order, saving, Storno, reports and printing.
#include "PupilsTestSupport.h"

#include "data/Format.h"
#include "data/Public.h"
#include "data/Strings.h"
#include "pupils/DBLookupList.h"
#include "pupils/ReportPrint.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"

#include <QAccessible>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>

using namespace PupilsTest;

class TstZakDlg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void shownIdentificationAndPassword();
    void validation_data();
    void validation();
    void savesNewPupilWithItsKey();
    void assistiveTechnologyFillsTheRecord();
    void unchangedIdentificationPasses();
    void stornoLeavesZakUnchanged();
    void signedInPupilSavesOwnRecord();
    void reportButtons_data();
    void reportButtons();
    void deleteReports();
    void printReport();
    void printToPdfFile();
    void printTarget_data();
    void printTarget();
    void printToNamedPrinter();
    void printWithoutPrintCommand();

private:
    std::unique_ptr<Station> m_station;
};

namespace {

// QZak as the register opens it, on the given pupil.
void openPupil(int pupilId)
{
    TQuery* zak = DM->QZak;
    zak->close();
    zak->setSql({QStringLiteral("select * from zak, RP where RP.RP=zak.RP "),
                 QStringLiteral(" order by prijmeni, jmeno ")});
    zak->open();
    QVERIFY(zak->locate(QStringLiteral("ID_ZAK"), pupilId));
}

void chooseCategory(const QString& category)
{
    TDBLookupList* list = ZakDlg->DBLookupListBox1();
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == category) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
            return;
        }
    QFAIL("no such category in the list");
}

void addReport(int pupilId, const QString& when, const QString& name, const QString& text)
{
    exec(QStringLiteral("insert into STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                        "values (%1, 1, '%2', 50, 45, '%3', '%4')")
             .arg(pupilId)
             .arg(when, text, name));
}

int count(const QString& table)
{
    return scalar(QStringLiteral("select count(*) from ") + table).toInt();
}

// Runs `action` once a print dialog is the modal window.
void whenPrintDialogShown(std::function<void(QPrintDialog*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dlg);
        }
    });
    timer->start();
    QTimer::singleShot(10000, timer, &QObject::deleteLater);
}

} // namespace

void TstZakDlg::init()
{
    m_station = std::make_unique<Station>();
}

void TstZakDlg::cleanup()
{
    m_station.reset();
    SetPrintCommand(QStringLiteral("lp"));
}

void TstZakDlg::shownIdentificationAndPassword()
{
    QStringList shown;
    auto record = [&] {
        whenShown(ZakDlg, [&] {
            for (int n = 1; n <= 7; ++n)
                shown << ZakDlg->Edit(n)->text();
            shown << (ZakDlg->focusWidget() ? ZakDlg->focusWidget()->objectName() : QString());
            QTest::keyClick(ZakDlg, Qt::Key_Escape);
        });
    };
    record();
    QVERIFY(!ZakDlg->EditPupil(true, QStringLiteral(" nova "), QStringLiteral("Heslo")));
    QCOMPARE(shown, (QStringList{" nova ", "Heslo", "", "", "", "", "", "Edit1"}));
    shown.clear();
    record();
    QVERIFY(!ZakDlg->EditPupil(true, QString(), QString()));
    QCOMPARE(shown, (QStringList{"", "", "", "", "", "", "", "Edit1"}));
    shown.clear();
    exec(QStringLiteral("update ZAK set TITUL='Bc.', ADRESA='Dlouhá 1', TELEFON='123' where ID_ZAK=1"));
    openPupil(1);
    record();
    QVERIFY(!ZakDlg->EditPupil(false, QString(), QString()));
    QCOMPARE(shown,
             (QStringList{"admin", "ferdano", "Správce", "Autoškola", "Bc.", "Dlouhá 1", "123", "Edit1"}));
    QCOMPARE(count(QStringLiteral("ZAK")), 1);
}

void TstZakDlg::validation_data()
{
    QTest::addColumn<QString>("rc");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no identification") << ""
                                       << "Novák"
                                       << "B" << Str::NoIdentification << "Edit1";
    QTest::newRow("blank identification") << "   "
                                          << "Novák"
                                          << "B" << Str::NoIdentification << "Edit1";
    QTest::newRow("identification comes first") << ""
                                                << ""
                                                << "" << Str::NoIdentification << "Edit1";
    QTest::newRow("duplicate") << "admin"
                               << "Novák"
                               << "B" << Str::PupilExists << "Edit1";
    QTest::newRow("duplicate with blanks") << " admin  "
                                           << "Novák"
                                           << "B" << Str::PupilExists << "Edit1";
    QTest::newRow("duplicate before surname") << "admin"
                                              << ""
                                              << "" << Str::PupilExists << "Edit1";
    QTest::newRow("no surname") << "novak"
                                << ""
                                << "B" << Str::NoSurname << "Edit3";
    QTest::newRow("blank surname") << "novak"
                                   << "  "
                                   << "B" << Str::NoSurname << "Edit3";
    QTest::newRow("surname before category") << "novak"
                                             << ""
                                             << "" << Str::NoSurname << "Edit3";
    QTest::newRow("no category") << "novak"
                                 << "Novák"
                                 << "" << Str::NoCategory << "DBLookupListBox1";
    QTest::newRow("apostrophe is no duplicate") << "' OR ''='"
                                                << ""
                                                << "B" << Str::NoSurname << "Edit3";
}

void TstZakDlg::validation()
{
    QFETCH(QString, rc);
    QFETCH(QString, surname);
    QFETCH(QString, category);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Messages m;
    bool stayedOpen = false;
    QString focused;
    TDataSet::State state = TDataSet::State::Browse;
    whenShown(ZakDlg, [&] {
        typeText(ZakDlg->Edit(3), surname);
        if (!category.isEmpty())
            chooseCategory(category);
        clickButton(ZakDlg->OkBtn());
        stayedOpen = ZakDlg->isVisible();
        focused = ZakDlg->focusWidget() ? ZakDlg->focusWidget()->objectName() : QString();
        state = DM->QZak->state();
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    QVERIFY(!ZakDlg->EditPupil(true, rc, QStringLiteral("h")));
    QVERIFY(stayedOpen);
    QCOMPARE(m.texts, QStringList{message});
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(focused, focus);
    QCOMPARE(state, TDataSet::State::Insert);
    QCOMPARE(count(QStringLiteral("ZAK")), 1);
    QVERIFY(!DM->QZak->updatesPending());
    QCOMPARE(DM->QZak->state(), TDataSet::State::Browse);
}

void TstZakDlg::savesNewPupilWithItsKey()
{
    Messages m;
    exec(QStringLiteral("update RP set ID_AVI=7 where RP='C'"));
    DM->QRP->close();
    DM->QRP->open();
    whenShown(ZakDlg, [] {
        typeText(ZakDlg->Edit(3), QStringLiteral("Dvořák"));
        typeText(ZakDlg->Edit(4), QStringLiteral("Jiří"));
        typeText(ZakDlg->Edit(5), QStringLiteral("Ing."));
        typeText(ZakDlg->Edit(6), QStringLiteral("Krátká 5"));
        typeText(ZakDlg->Edit(7), QStringLiteral("777 111 222"));
        chooseCategory(QStringLiteral("C"));
        QTest::keyClick(ZakDlg->Edit(7), Qt::Key_Return);
    });
    QVERIFY(ZakDlg->EditPupil(true, QStringLiteral("dvorak"), QStringLiteral("Pes1")));
    QCOMPARE(m.texts, QStringList());
    TQuery* zak = DM->QZak;
    const int id = zak->asInteger(QStringLiteral("ID_ZAK"));
    QVERIFY(id > 1);
    QCOMPARE(zak->asInteger(QStringLiteral("ID_AVI")), 7);
    QCOMPARE(zak->asString(QStringLiteral("POPIS")),
             scalar(QStringLiteral("select POPIS from RP where RP='C'")).toString());
    QVERIFY(!zak->asString(QStringLiteral("POPIS")).isEmpty());
    QVERIFY(!zak->updatesPending());
    QCOMPARE(
        scalar(QStringLiteral("select RC || '|' || HESLO || '|' || PRIJMENI || '|' || JMENO || '|' || TITUL "
                              "|| '|' || RP || '|' || ADRESA || '|' || TELEFON from ZAK where ID_ZAK=%1")
                   .arg(id))
            .toString(),
        QStringLiteral("dvorak|Pes1|Dvořák|Jiří|Ing.|C|Krátká 5|777 111 222"));
}

void TstZakDlg::assistiveTechnologyFillsTheRecord()
{
    // A screen reader or an on-screen keyboard sets the text through the accessibility
    // interface, selects the category there and presses "&Ok" there: the record is saved.
    Messages m;
    QString windowName;
    QStringList visibleButtons;
    whenShown(ZakDlg, [&] {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(ZakDlg);
        windowName = window->text(QAccessible::Name);
        const QStringList values = {QStringLiteral("Dvořák"), QStringLiteral("Jiří"), QStringLiteral("Ing."),
                                    QStringLiteral("Krátká 5"), QStringLiteral("777 111 222")};
        for (int i = 0; i < values.size(); ++i) {
            QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(ZakDlg->Edit(3 + i));
            QVERIFY(edit && edit->editableTextInterface());
            edit->editableTextInterface()->replaceText(0, edit->textInterface()->characterCount(), values[i]);
        }
        TDBLookupList* list = ZakDlg->DBLookupListBox1();
        int row = -1;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            if (list->model()->index(r, 0).data().toString() == QLatin1String("C")) row = r;
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
        QVERIFY(table && table->tableInterface());
        table->tableInterface()->selectRow(row);
        // what a screen reader offers: buttons that are shown, by their names
        for (QAbstractButton* b : ZakDlg->findChildren<QAbstractButton*>()) {
            QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(b);
            if (!ai->state().invisible) visibleButtons << ai->text(QAccessible::Name);
        }
        for (QAbstractButton* b : ZakDlg->findChildren<QAbstractButton*>())
            if (b->text() == Str::Ok && b->isVisible() && b->geometry().x() >= 0) {
                QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(b);
                ai->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                // a record that was refused stays open: close it, so that the test fails at once
                QTimer::singleShot(3000, ZakDlg, [] {
                    if (ZakDlg->isVisible()) ZakDlg->reject();
                });
                return;
            }
        QFAIL("no visible Ok button");
    });
    QVERIFY(ZakDlg->EditPupil(true, QStringLiteral("dvorak"), QStringLiteral("Pes1")));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(windowName, Str::RecordHeading);
    QVERIFY(!visibleButtons.contains(Str::LogonDefault));
    QVERIFY(!visibleButtons.contains(Str::HiddenCancel));
    QVERIFY(visibleButtons.contains(QStringLiteral("Ok")));
    TQuery* zak = DM->QZak;
    QCOMPARE(zak->asString(QStringLiteral("PRIJMENI")), QStringLiteral("Dvořák"));
    QCOMPARE(zak->asString(QStringLiteral("JMENO")), QStringLiteral("Jiří"));
    QCOMPARE(zak->asString(QStringLiteral("RP")), QStringLiteral("C"));
    QCOMPARE(scalar(QStringLiteral("select PRIJMENI from ZAK where RC='dvorak'")).toString(), QStringLiteral("Dvořák"));
}

void TstZakDlg::unchangedIdentificationPasses()
{
    Messages m;
    openPupil(1);
    whenShown(ZakDlg, [] { clickButton(ZakDlg->OkBtn()); });
    QVERIFY(ZakDlg->EditPupil(false, QString(), QString()));
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(count(QStringLiteral("ZAK")), 1);
    QCOMPARE(scalar(QStringLiteral("select RC from ZAK where ID_ZAK=1")).toString(), QStringLiteral("admin"));
}

void TstZakDlg::stornoLeavesZakUnchanged()
{
    Messages m;
    openPupil(1);
    whenShown(ZakDlg, [] {
        ZakDlg->Edit(3)->selectAll();
        typeText(ZakDlg->Edit(3), QStringLiteral("Jiný"));
        typeText(ZakDlg->Edit(1), QStringLiteral("x"));
        chooseCategory(QStringLiteral("A"));
        clickButton(ZakDlg->CancelBtn());
    });
    QVERIFY(!ZakDlg->EditPupil(false, QString(), QString()));
    QCOMPARE(scalar(QStringLiteral("select PRIJMENI || RC || RP from ZAK where ID_ZAK=1")).toString(),
             QStringLiteral("Správceadmin") + u'B');
    TQuery* zak = DM->QZak;
    QVERIFY(!zak->updatesPending());
    QCOMPARE(zak->state(), TDataSet::State::Browse);
    QCOMPARE(zak->asString(QStringLiteral("PRIJMENI")), QStringLiteral("Správce"));
    QCOMPARE(zak->asString(QStringLiteral("RP")), QStringLiteral("B"));
}

void TstZakDlg::signedInPupilSavesOwnRecord()
{
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    QVERIFY(PupilsTest::signIn(QStringLiteral("novak"), QStringLiteral("n1")));
    openPupil(novak);
    whenShown(ZakDlg, [] {
        typeText(ZakDlg->Edit(7), QStringLiteral("604"));
        QTest::keyClick(ZakDlg->Edit(7), Qt::Key_Return);
    });
    QVERIFY(ZakDlg->EditPupil(false, QString(), QString()));
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(scalar(QStringLiteral("select TELEFON from ZAK where ID_ZAK=%1").arg(novak)).toString(),
             QStringLiteral("604"));
    QVERIFY(m_station->lock().isHeld(novak));
}

void TstZakDlg::reportButtons_data()
{
    QTest::addColumn<bool>("privileged");
    QTest::addColumn<int>("reports");
    QTest::addColumn<bool>("print");
    QTest::addColumn<bool>("remove");
    QTest::newRow("privileged, no reports") << true << 0 << false << false;
    QTest::newRow("privileged, reports") << true << 2 << true << true;
    QTest::newRow("other pupil, no reports") << false << 0 << false << false;
    QTest::newRow("other pupil, reports: print only") << false << 2 << true << false;
}

void TstZakDlg::reportButtons()
{
    QFETCH(bool, privileged);
    QFETCH(int, reports);
    QFETCH(bool, print);
    QFETCH(bool, remove);
    Messages m;
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    const int owner = privileged ? 1 : novak;
    for (int i = 0; i < reports; ++i)
        addReport(owner, QStringLiteral("2026-12-0%1 10:15:00").arg(i + 1),
                  QStringLiteral("Test %1").arg(i + 1), QStringLiteral("Report %1").arg(i + 1));
    addReport(owner == 1 ? novak : 1, QStringLiteral("2026-11-30 08:00:00"), QStringLiteral("Cizí"),
              QStringLiteral("Cizí report"));
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = owner; });
    openPupil(owner);
    bool printEnabled = !print, deleteEnabled = !remove;
    int rows = -1;
    QString memo;
    whenShown(ZakDlg, [&] {
        printEnabled = ZakDlg->PrintBtn()->isEnabled();
        deleteEnabled = ZakDlg->DelBtn()->isEnabled();
        rows = ZakDlg->DBGrid1()->model()->rowCount();
        memo = ZakDlg->DBMemo1()->toPlainText();
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(false, QString(), QString());
    QCOMPARE(printEnabled, print);
    QCOMPARE(deleteEnabled, remove);
    QCOMPARE(rows, reports);
    QCOMPARE(memo, reports ? QStringLiteral("Report 1") : QString());
    // A new pupil has no reports.
    whenShown(ZakDlg, [&] {
        printEnabled = ZakDlg->PrintBtn()->isEnabled();
        rows = ZakDlg->DBGrid1()->model()->rowCount();
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(true, QString(), QString());
    QVERIFY(!printEnabled);
    QCOMPARE(rows, 0);
}

void TstZakDlg::deleteReports()
{
    Messages m;
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = 1; });
    addReport(1, QStringLiteral("2026-12-01 09:05:00"), QStringLiteral("Ostrý test 1"),
              QStringLiteral("První"));
    addReport(1, QStringLiteral("2026-12-02 14:30:00"), QStringLiteral("Ostrý test 2"),
              QStringLiteral("Druhý"));
    openPupil(1);
    const QString first =
        QLocale(QLocale::Czech).toString(QDateTime(QDate(2026, 12, 1), QTime(9, 5)), QLocale::ShortFormat);
    const QString second =
        QLocale(QLocale::Czech).toString(QDateTime(QDate(2026, 12, 2), QTime(14, 30)), QLocale::ShortFormat);
    QStringList afterEach;
    bool printEnabled = true, deleteEnabled = true;
    whenShown(ZakDlg, [&] {
        auto state = [&] {
            afterEach << QString::number(ZakDlg->DBGrid1()->model()->rowCount()) + u' ' +
                             ZakDlg->DBMemo1()->toPlainText();
        };
        clickButton(ZakDlg->DelBtn()); // "Ne"
        state();
        m.answers = {true};
        clickButton(ZakDlg->DelBtn());
        state();
        m.answers = {true};
        clickButton(ZakDlg->DelBtn());
        state();
        printEnabled = ZakDlg->PrintBtn()->isEnabled();
        deleteEnabled = ZakDlg->DelBtn()->isEnabled();
        clickButton(ZakDlg->CancelBtn());
    });
    ZakDlg->EditPupil(false, QString(), QString());
    QCOMPARE(m.texts, (QStringList{Format(Str::ConfirmDeleteReport, {first}),
                                   Format(Str::ConfirmDeleteReport, {first}),
                                   Format(Str::ConfirmDeleteReport, {second})}));
    QCOMPARE(afterEach, (QStringList{"2 První", "1 Druhý", "0 "}));
    QVERIFY(!printEnabled);
    QVERIFY(!deleteEnabled);
    // The deletions stay although the record was left with "&Storno".
    QCOMPARE(count(QStringLiteral("STATIS")), 0);
    QCOMPARE(m.errors, QStringList());
}

void TstZakDlg::printReport()
{
#ifdef Q_OS_WIN
    QSKIP("the print command here is a POSIX shell");
#endif
    Messages m;
    QTemporaryDir work;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QString out = work.filePath(QStringLiteral("printed.out"));
    SetPrintCommand(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$0\" '%1'").arg(out)});
    const int novak = addPupil(QStringLiteral("novak"), QStringLiteral("n1"), QStringLiteral("Novák"),
                               QStringLiteral("Petr"));
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = novak; });
    addReport(novak, QStringLiteral("2026-12-01 09:05:00"), QStringLiteral("Ostrý test"),
              QStringLiteral("Novák Petr\r\n      1        a        a      2\r\nCelkem"));
    openPupil(novak);
    int dialogs = 0;
    whenShown(ZakDlg, [&] {
        // Declining the print dialog prints nothing.
        whenPrintDialogShown([&](QPrintDialog* d) {
            ++dialogs;
            d->reject();
        });
        clickButton(ZakDlg->PrintBtn());
        QVERIFY(!QFile::exists(out));
        whenPrintDialogShown([&](QPrintDialog* d) {
            ++dialogs;
            d->accept();
        });
        clickButton(ZakDlg->PrintBtn());
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(false, QString(), QString());
    const QStringList left = QDir(work.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
    QDir::setCurrent(saved);
    QCOMPARE(dialogs, 2);
    QFile printed(out);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(printed.readAll()),
             QStringLiteral("Novák Petr\n      1        a        a      2\nCelkem\n"));
    QCOMPARE(left, QStringList());
    QCOMPARE(m.errors, QStringList());
}

// The print dialog's choice is followed: "print to file" writes the report as a PDF (no print job),
// on as many pages as it needs; a file that cannot be written is reported in Czech.
void TstZakDlg::printToPdfFile()
{
#ifdef Q_OS_WIN
    QSKIP("the print dialog on Windows is the system's own, which a test cannot fill in");
#endif
    Messages m;
    QTemporaryDir work;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QString spooled = work.filePath(QStringLiteral("spooled.out"));
    SetPrintCommand(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("cp \"$0\" '%1'").arg(spooled)});
    QStringList longReport;
    for (int n = 1; n <= 150; ++n)
        longReport << QStringLiteral("    * %1     a     b      2").arg(n, 3);
    addReport(1, QStringLiteral("2026-12-01 09:05:00"), QStringLiteral("Krátký"),
              QStringLiteral("Novák Petr\r\n      1        a        a      2\r\nCelkem"));
    addReport(1, QStringLiteral("2026-12-02 09:05:00"), QStringLiteral("Dlouhý"), longReport.join("\r\n"));
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = 1; });
    openPupil(1);
    const QString shortPdf = work.filePath(QStringLiteral("kratky.pdf"));
    const QString longPdf = work.filePath(QStringLiteral("dlouhy.pdf"));
    const QString nowhere = work.filePath(QStringLiteral("neni/report.pdf"));
    auto printTo = [](const QString& file) {
        whenPrintDialogShown([file](QPrintDialog* d) {
            QLineEdit* name = d->findChild<QLineEdit*>(QStringLiteral("filename"));
            QVERIFY(name);
            name->setText(file);
            d->accept();
        });
        clickButton(ZakDlg->PrintBtn());
    };
    whenShown(ZakDlg, [&] {
        QVERIFY(DM->QStatistic->locate(QStringLiteral("TEST_NAME"), QStringLiteral("Krátký")));
        printTo(shortPdf);
        QVERIFY(DM->QStatistic->locate(QStringLiteral("TEST_NAME"), QStringLiteral("Dlouhý")));
        printTo(longPdf);
        printTo(nowhere);
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(false, QString(), QString());
    const QStringList left = QDir(work.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
    QDir::setCurrent(saved);
    auto pages = [](const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray pdf = f.readAll();
        return pdf.startsWith("%PDF") ? int(pdf.count("/Type /Page\n")) : -2;
    };
    QCOMPARE(pages(shortPdf), 1);
    QCOMPARE(pages(longPdf), 3);
    QVERIFY(!QFile::exists(spooled));
    QCOMPARE(left, QStringList());
    QCOMPARE(m.errors, QStringList{Format(Str::PrintFileNotWritten, {nowhere})});
}

// The dialog's choice as the report's destination: a file when "print to file" names one, a printer
// by its name when it is not the system's default, otherwise the default printer as before.
void TstZakDlg::printTarget_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QString>("defaultPrinter");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    using K = TPrintTarget::Kind;
    QTest::newRow("pdf file") << true << "/tmp/r.pdf"
                              << ""
                              << "" << int(K::PdfFile) << "/tmp/r.pdf";
    QTest::newRow("pdf, no file named") << true << ""
                                        << ""
                                        << "Kancl" << int(K::DefaultPrinter) << "";
    QTest::newRow("pdf, a directory") << true << "/tmp/"
                                      << ""
                                      << "" << int(K::DefaultPrinter) << "";
    QTest::newRow("another printer") << false << ""
                                     << "Sklad"
                                     << "Kancl" << int(K::NamedPrinter) << "Sklad";
    QTest::newRow("the default printer") << false << ""
                                         << "Kancl"
                                         << "Kancl" << int(K::DefaultPrinter) << "";
    QTest::newRow("no printer named") << false << ""
                                      << ""
                                      << "Kancl" << int(K::DefaultPrinter) << "";
}

void TstZakDlg::printTarget()
{
    QFETCH(bool, toFile);
    QFETCH(QString, fileName);
    QFETCH(QString, printer);
    QFETCH(QString, defaultPrinter);
    QFETCH(int, kind);
    QFETCH(QString, name);
    const TPrintTarget t = PrintTargetOf(toFile, fileName, printer, defaultPrinter);
    QCOMPARE(int(t.kind), kind);
    QCOMPARE(t.name, name);
}

// A printer chosen by name gets the job ("lp -d NAME"); the default printer gets it as before.
void TstZakDlg::printToNamedPrinter()
{
#ifdef Q_OS_WIN
    QSKIP("the print command here is a POSIX shell");
#endif
    QTemporaryDir work;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QString args = work.filePath(QStringLiteral("args.out"));
    SetPrintCommand(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("for a in \"$0\" \"$@\"; do echo \"$a\"; done >> '%1'; "
                                              "eval last=\\${$#}; cat \"$last\" >> '%1'")
                                   .arg(args)});
    PrintLines({QStringLiteral("Řádek")}, QStringLiteral("Sklad"));
    PrintLines({QStringLiteral("Výchozí")});
    QDir::setCurrent(saved);
    QFile f(args);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList got = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(got.size(), 6);
    QCOMPARE(got.mid(0, 2), (QStringList{"-d", "Sklad"}));
    QVERIFY(got[2].endsWith(".txt"));
    QCOMPARE(got[3], QStringLiteral("Řádek"));
    QVERIFY(got[4].endsWith(".txt"));
    QCOMPARE(got[5], QStringLiteral("Výchozí"));
}

void TstZakDlg::printWithoutPrintCommand()
{
    Messages m;
    QTemporaryDir work;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(work.path());
    SetPrintCommand(QStringLiteral("/nonexistent/ferdano-print"));
    addReport(1, QStringLiteral("2026-12-01 09:05:00"), QStringLiteral("Ostrý test"), QStringLiteral("Text"));
    changeSignedIn([&](TSignedInPupil& p) { p.PupilId = 1; });
    openPupil(1);
    bool stillOpen = false;
    whenShown(ZakDlg, [&] {
        whenPrintDialogShown([](QPrintDialog* d) { d->accept(); });
        clickButton(ZakDlg->PrintBtn());
        stillOpen = ZakDlg->isVisible();
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(false, QString(), QString());
    const QStringList left = QDir(work.path()).entryList(QDir::Files);
    QDir::setCurrent(saved);
    QVERIFY(stillOpen);
    QCOMPARE(left, QStringList());
    QCOMPARE(m.texts, QStringList());
    // a print that cannot start says so, and leaves no file behind
    QCOMPARE(m.errors, QStringList{Format(Str::PrintNotStarted, {QStringLiteral("/nonexistent/ferdano-print")})});
}

PUPILS_TEST_MAIN(TstZakDlg)
#include "tst_zakdlg.moc"
