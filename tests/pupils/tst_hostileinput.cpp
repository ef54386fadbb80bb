// Hostile input in every field of the sign-in and the pupil record: apostrophes, quotes, SQL
// fragments, control characters, long texts, diacritics and emoji are stored and shown as typed
// (within the field's length), never change a statement's meaning and never crash.
#include "PupilsTestSupport.h"

#include "data/Strings.h"
#include "pupils/DBLookupList.h"
#include "widgets/DBEdit.h"

using namespace PupilsTest;

namespace {

struct FieldSpec
{
    int edit;
    const char* column;
    int maxLength;
};

// The record's seven edits with the lengths of their columns.
const FieldSpec RecordFields[] = {{1, "RC", 11},    {2, "HESLO", 10},   {3, "PRIJMENI", 60}, {4, "JMENO", 60},
                                  {5, "TITUL", 30}, {6, "ADRESA", 120}, {7, "TELEFON", 40}};

// What an edit keeps of typed text: printable characters only, and whole characters up to its
// length.
QString kept(const QString& typed, int maxLength)
{
    QString out;
    const QList<uint> points = typed.toUcs4();
    for (uint c : points) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (!one.at(0).isPrint() && !one.at(0).isSurrogate())
            continue;
        if (out.size() + one.size() > maxLength)
            break;
        out += one;
    }
    return out;
}

// Types every character as one key press, characters outside the BMP included.
void typeChars(QWidget* w, const QString& text)
{
    const QList<uint> points = text.toUcs4();
    for (uint c : points) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (c < 0x80 && QChar(c).isPrint())
            QTest::keyClick(w, char(c));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, one, Qt::NoModifier);
    }
}

void hostileRows()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("apostrophe") << QStringLiteral("O'Brien");
    QTest::newRow("quotes") << QStringLiteral("\"Pepa\" 'x'");
    QTest::newRow("always true") << QStringLiteral("' OR '1'='1");
    QTest::newRow("drop table") << QStringLiteral("'); DROP TABLE ZAK; --");
    QTest::newRow("like and escape characters") << QStringLiteral("%_\\;*");
    QTest::newRow("control characters") << QStringLiteral("a\x01"
                                                          "b\x07"
                                                          "c\x1b"
                                                          "d\x7f"
                                                          "e");
    QTest::newRow("very long") << QString(300, u'x');
    QTest::newRow("diacritics") << QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy");
    QTest::newRow("emoji") << QStringLiteral("😀🚗👍🏽 jízda 🚦🚦🚦🚦🚦");
    QTest::newRow("emoji across the identification's limit") << QStringLiteral("1234567890😀");
    QTest::newRow("emoji across the password's limit") << QStringLiteral("123456789😀");
}

QString column(int pupilId, const char* name)
{
    return scalar(QStringLiteral("select %1 from ZAK where ID_ZAK=%2").arg(QLatin1String(name)).arg(pupilId))
        .toString();
}

int count(const QString& table)
{
    return scalar(QStringLiteral("select count(*) from ") + table).toInt();
}

void chooseCategoryB()
{
    TDBLookupList* list = ZakDlg->DBLookupListBox1();
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == QLatin1String("B")) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
            return;
        }
}

} // namespace

class TstHostileInput : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_station = std::make_unique<Station>(); }
    void cleanup() { m_station.reset(); }
    void editsEnforceTheColumnLengths();
    void recordField_data();
    void recordField();
    void signInFields_data() { hostileRows(); }
    void signInFields();
    void injectionDoesNotSignIn_data();
    void injectionDoesNotSignIn();

private:
    std::unique_ptr<Station> m_station;
};

void TstHostileInput::editsEnforceTheColumnLengths()
{
    QCOMPARE(LogonDlg->Edit1()->maxLength(), 11);
    QCOMPARE(LogonDlg->Edit2()->maxLength(), 10);
    for (const FieldSpec& f : RecordFields)
        QCOMPARE(ZakDlg->Edit(f.edit)->maxLength(), f.maxLength);
}

void TstHostileInput::recordField_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    const struct
    {
        const char* name;
        QString text;
    } inputs[] = {{"apostrophe", QStringLiteral("O'Brien")},
                  {"quotes", QStringLiteral("\"Pepa\" 'x'")},
                  {"always true", QStringLiteral("' OR '1'='1")},
                  {"drop table", QStringLiteral("'); DROP TABLE ZAK; --")},
                  {"like characters", QStringLiteral("%_\\;*")},
                  {"control characters", QStringLiteral("a\x01"
                                                        "b\x07"
                                                        "c\x1b"
                                                        "d\x7f"
                                                        "e")},
                  {"very long", QString(300, u'x')},
                  {"diacritics", QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy")},
                  {"emoji", QStringLiteral("😀🚗👍🏽 jízda 🚦🚦🚦🚦🚦")}};
    for (int i = 0; i < 7; ++i) {
        for (const auto& in : inputs)
            QTest::addRow("%s: %s", RecordFields[i].column, in.name) << i << in.text;
        QTest::addRow("%s: emoji across the limit", RecordFields[i].column)
            << i << QString(RecordFields[i].maxLength - 1, u'x') + QStringLiteral("😀");
    }
}

void TstHostileInput::recordField()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    const FieldSpec& def = RecordFields[field];
    const QString expected = kept(typed, def.maxLength);
    Messages m;
    whenShown(ZakDlg, [&] {
        for (const FieldSpec& f : RecordFields) {
            TDBEdit* e = ZakDlg->Edit(f.edit);
            e->setFocus();
            if (&f == &def)
                typeChars(e, typed);
            else if (f.edit == 1)
                typeChars(e, QStringLiteral("jiny"));
            else if (f.edit == 3)
                typeChars(e, QStringLiteral("Novák"));
        }
        chooseCategoryB();
        QTest::keyClick(ZakDlg->Edit(def.edit), Qt::Key_Return);
        if (ZakDlg->isVisible())
            QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    QVERIFY(ZakDlg->EditPupil(true, QString(), QString()));
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(m.texts, QStringList());
    QCOMPARE(count(QStringLiteral("ZAK")), 2);
    const int id = scalar(QStringLiteral("select max(ID_ZAK) from ZAK")).toInt();
    QCOMPARE(column(id, def.column), expected);
    QCOMPARE(column(1, "RC"), QStringLiteral("admin")); // the other pupil is untouched

    // Shown again exactly as stored when the record is opened.
    TQuery* zak = DM->QZak;
    zak->close();
    zak->open();
    QVERIFY(zak->locate(QStringLiteral("ID_ZAK"), id));
    QString shown;
    whenShown(ZakDlg, [&] {
        shown = ZakDlg->Edit(def.edit)->text();
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    QVERIFY(!ZakDlg->EditPupil(false, QString(), QString()));
    QCOMPARE(shown, expected);
    QCOMPARE(column(id, def.column), expected);
}

void TstHostileInput::signInFields()
{
    QFETCH(QString, typed);
    // A pupil whose identification and password are the hostile text, as far as the fields hold it.
    const QString rc = kept(typed, 11);
    const QString password = kept(typed, 10);
    const int id = addPupil(rc.trimmed().isEmpty() ? QStringLiteral("x") : rc, password,
                            QStringLiteral("Zlý"), QStringLiteral("Žák"));
    QVERIFY(id > 1);
    Messages m;
    QString shownRc;
    TLogonDlg* dlg = LogonDlg;
    bool stayedOpen = true;
    whenShown(dlg, [&] {
        dlg->Edit1()->clear();
        typeChars(dlg->Edit1(), typed);
        typeChars(dlg->Edit2(), typed);
        shownRc = dlg->Edit1()->text();
        QTest::keyClick(dlg->Edit2(), Qt::Key_Return);
        stayedOpen = dlg->isVisible();
        if (stayedOpen)
            QTest::keyClick(dlg, Qt::Key_Escape);
    });
    const bool signedIn = dlg->Logon(-1);
    QCOMPARE(shownRc, rc);
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(m.texts, QStringList());
    QVERIFY(signedIn);
    QVERIFY(!stayedOpen);
    QCOMPARE(SignedInPupil.PupilId, id);
    QVERIFY(m_station->lock().isHeld(id));
    QCOMPARE(count(QStringLiteral("ZAK")), 2);
}

void TstHostileInput::injectionDoesNotSignIn_data()
{
    QTest::addColumn<QString>("rc");
    QTest::addColumn<QString>("password");
    QTest::newRow("always true identification") << QStringLiteral("' OR '1'='1") << QStringLiteral("ferdano");
    QTest::newRow("comment after identification") << QStringLiteral("admin'--") << QStringLiteral("x");
    QTest::newRow("always true password") << QStringLiteral("admin") << QStringLiteral("' OR 'a'='a");
}

void TstHostileInput::injectionDoesNotSignIn()
{
    QFETCH(QString, rc);
    QFETCH(QString, password);
    Messages m; // the offer to create a new pupil is declined
    bool stayedOpen = false;
    QVERIFY(!signIn(rc, password, &stayedOpen));
    QVERIFY(stayedOpen);
    QCOMPARE(m.errors, QStringList());
    QCOMPARE(m.texts.size(), 1);
    QVERIFY(m.texts.first() == Str::PupilNotFound || m.texts.first() == Str::WrongPassword);
    QCOMPARE(SignedInPupil.PupilId, 0);
    QCOMPARE(count(QStringLiteral("ZAK")), 1);
}

PUPILS_TEST_MAIN(TstHostileInput)

#include "tst_hostileinput.moc"
