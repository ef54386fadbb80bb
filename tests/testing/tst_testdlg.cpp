// The test window driven as a pupil drives it: presentation, answering, moving, hints, the close
// with its confirmations, scoring, review and what is stored; the panel's countdown and ticker.
#include "TestDb.h"
#include "data/Clock.h"
#include "data/Globals.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "testing/Artwork.h"
#include "testing/ImageZoom.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "testing/WrapCheckBox.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QAccessible>
#include <QBuffer>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollArea>
#include <QtTest>

#include <memory>

namespace {
struct Q
{
    int id;
    int group;
    QString aa;
    int bb;
    QString cc = QString();
    int pict = 0;
};

QByteArray encoded(const QImage& img, const char* format)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

QImage testImage(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(30, 120, 200));
    return img;
}

// A control of a window, found by its name as the window shows it.
template <typename T> T* part(const QObject* window, const char* name)
{
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s", qPrintable(window->objectName()), name);
    return found;
}
} // namespace

class TstTestDlg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void liveTestEndsByCountdown();
    void wrongAnswerKeptOnceAndRemovedWhenRight();
    void storedTestGainedAndLost();
    void randomTestLeavesZakTest();
    void passRule_data();
    void passRule();
    void pictureFit_data();
    void pictureFit();
    void unreadablePicture_data();
    void unreadablePicture();
    void pictureClickByGroup();
    void zoomPlacement();
    void reviewShowsWrongQuestions();
    void reviewIsNotTimed();
    void countdownClosesOpenDialogs();
    void accessibleAnswers();
    void explanationOnlyWhereAnswersShow();
    void countdownDuringConfirmation();
    void failedStoreKeepsTestOpen_data();
    void failedStoreKeepsTestOpen();
    void unansweredCounter();
    void tenRowMoves();
    void hintsByMode();
    void browsingTicksVanish();
    void browsingShowAnswerNow();
    void fewerAnswersHideBoxes();
    void shortPatternTicks();
    void emptyQuestionSet();
    void confirmationRefusedKeepsRun();
    void closeBeforeTimeStopsCountdown();
    void infoBeforeFirstTickKnowsOnlyThisRun();
    void tickerWrapsAround();
    void emptyTickerList();
    void windowPlacement();

private:
    TDataSet* makeSet(const QList<Q>& questions);
    // Runs the window; `body` drives it from inside the modal loop.
    void run(int mode, int testId, TDataSet* set, quint16 minutes, const std::function<void()>& body,
             bool showNow = false);
    int count(const QString& sql);
    QString zakOdp(int questionId);
    void putPicture(int id, const QByteArray& bytes);
    TWrapCheckBox* answer(int k) const
    {
        return part<TWrapCheckBox>(m_test.get(), qPrintable(QString("LabelAnswer%1").arg(k + 1)));
    }
    QList<TWrapCheckBox*> answers() const { return {answer(0), answer(1), answer(2), answer(3)}; }
    TWrapCheckBox* question() const { return part<TWrapCheckBox>(m_test.get(), "LabelQuestion"); }
    QLabel* label(const char* name) const { return part<QLabel>(m_test.get(), name); }
    QLabel* panelLabel(const char* name) const { return part<QLabel>(m_info.get(), name); }

    std::unique_ptr<TTestDb> m_db;
    std::unique_ptr<TSystemDlg> m_system;
    std::unique_ptr<TResultDlg> m_result;
    std::unique_ptr<TInfoDlg> m_info;
    std::unique_ptr<TTestDlg> m_test;
    std::unique_ptr<TQuery> m_set;
    QStringList m_systemTexts;
    QList<TResultDlg::Shown> m_results;
    QStringList m_errors;
    std::function<bool(const QString&, bool)> m_systemAnswer;
    bool m_resultAnswer = false;
    bool m_leftOpen = false;
    QDateTime m_now;
};

void TstTestDlg::init()
{
    m_db = std::make_unique<TTestDb>();
    m_db->open();
    m_system = std::make_unique<TSystemDlg>();
    m_result = std::make_unique<TResultDlg>();
    m_info = std::make_unique<TInfoDlg>();
    m_test = std::make_unique<TTestDlg>();
    m_test->setPanel(m_info.get());
    m_systemTexts.clear();
    m_results.clear();
    m_errors.clear();
    m_resultAnswer = false;
    // Confirmations are accepted, the offer to review is declined.
    m_systemAnswer = [](const QString& text, bool) { return !text.contains("Prohlédnout"); };
    TSystemDlg::setAutoAnswer([this](const QString& text, bool okOnly) {
        m_systemTexts << text;
        return m_systemAnswer(text, okOnly);
    });
    TResultDlg::setAutoAnswer([this](const TResultDlg::Shown& s) {
        m_results << s;
        return m_resultAnswer;
    });
    SetGeneralErrorSink([this](const QString& t) { m_errors << t; });
    m_db->signIn(1);
    changeSignedIn([&](TSignedInPupil& p) { p.FullName = " Autoškola Správce"; });
    changeSignedIn([](TSignedInPupil& p) { p.LicenceCategory = QStringLiteral("B"); });
    changeSignedIn([&](TSignedInPupil& p) { p.PassMinimum = 43; });
    changeSignedIn([&](TSignedInPupil& p) { p.MandatoryGroup = 4; });
    m_now = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
    Clock::setSource([this] { return m_now; });
    MessageList = QStringList{"První zpráva", "Druhá zpráva"};
}

void TstTestDlg::cleanup()
{
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join('\n')));
    m_test.reset();
    m_info.reset();
    m_result.reset();
    m_system.reset();
    m_set.reset();
    m_db.reset();
    TSystemDlg::setAutoAnswer({});
    TResultDlg::setAutoAnswer({});
    SetGeneralErrorSink({});
    Clock::setSource({});
}

TDataSet* TstTestDlg::makeSet(const QList<Q>& questions)
{
    QVector<QVector<QVariant>> rows;
    for (const Q& q : questions)
        rows.append({q.id, q.group, QString("Otázka %1\nDruhý řádek").arg(q.id), q.pict, q.aa, q.bb, q.cc});
    m_set = std::make_unique<TQuery>("Set");
    m_set->openRows({"ID_OTAZKA", "ID_OKRUH", "OTAZKA", "ID_PICT", "AA", "BB", "CC"}, rows);
    return m_set.get();
}

void TstTestDlg::run(int mode, int testId, TDataSet* set, quint16 minutes, const std::function<void()>& body,
                     bool showNow)
{
    m_leftOpen = false;
    QTimer::singleShot(0, m_test.get(), [&] {
        auto guard = qScopeGuard([&] {
            if (m_test->isVisible()) {
                m_leftOpen = true;
                m_test->abandonModalRun();
            }
        });
        body();
    });
    m_test->RunTest(mode, testId, "Ostré testy - Test číslo 1", set, showNow, minutes);
}

int TstTestDlg::count(const QString& sql)
{
    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine(sql);
    q->open();
    const int n = q->recordCount();
    q->close();
    return n;
}

QString TstTestDlg::zakOdp(int questionId)
{
    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine(QString("SELECT ZAK_ODP FROM ZAKODP WHERE ID_ZAK=1 AND ID_OTAZKA=%1").arg(questionId));
    q->open();
    const QString v = q->isEmpty() ? QString("<none>") : q->asString("ZAK_ODP");
    q->close();
    return v;
}

void TstTestDlg::putPicture(int id, const QByteArray& bytes)
{
    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine("INSERT INTO BMP (ID_PICT, BMP) VALUES (:ID_PICT, :BMP)");
    q->setParam("ID_PICT", id);
    q->setParam("BMP", bytes);
    q->execSql();
}

void TstTestDlg::liveTestEndsByCountdown()
{
    DM->QTestType2->close();
    DM->QTestType2->setParam("ID_TEST", 1);
    DM->QTestType2->open();
    TDataSet* set = DM->QTestType2;
    QCOMPARE(set->recordCount(), 10);
    const QString aa1 = set->asString("AA");
    const int bb1 = set->asInteger("BB");
    const int id1 = set->valueAt(0, "ID_OTAZKA").toInt();
    const int id2 = set->valueAt(1, "ID_OTAZKA").toInt();
    const int wrongKey = set->valueAt(1, "AA").toString().indexOf('0');
    QString wrongPattern(4, '0');
    wrongPattern[wrongKey] = '1';
    int total = 0;
    for (int r = 0; r < set->recordCount(); ++r)
        total += set->valueAt(r, "BB").toInt();
    bool timedOut = false;
    run(tmLive, 1, set, 1, [&] {
        // Answer the first question right (its correct letters), the second wrong (nothing else).
        for (int k = 0; k < 4; ++k)
            if (aa1[k] == '1')
                QTest::keyClick(m_test.get(), Qt::Key(Qt::Key_A + k));
        QTest::keyClick(m_test.get(), Qt::Key_PageDown);
        QTest::keyClick(m_test.get(), Qt::Key(Qt::Key_A + wrongKey));
        m_test->Timer1Timer();
        QVERIFY(m_info->isVisible());
        QVERIFY(!part<QWidget>(m_info.get(), "Panel3")->isHidden());
        QVERIFY(part<QWidget>(m_info.get(), "Panel2")->isHidden());
        QCOMPARE(panelLabel("Label6")->text(), QString("10:00:00"));
        QCOMPARE(panelLabel("Label7")->text(), QString("10:01:00"));
        QCOMPARE(panelLabel("Label5")->text(), QString("Začátek testu :"));
        QCOMPARE(panelLabel("Label4")->text(), QString("Konec testu :"));
        QVERIFY(m_info->isTicking());
        m_info->Timer1Timer();
        QCOMPARE(panelLabel("Label8")->text(), QString("Do konce testu zbývá 1:00"));
        m_now = m_now.addSecs(25);
        m_info->Timer1Timer();
        QCOMPARE(panelLabel("Label8")->text(), QString("Do konce testu zbývá 0:35"));
        QCOMPARE(part<QProgressBar>(m_info.get(), "Gauge1")->value(), 25);
        QCOMPARE(m_info->beepCount(), 0);
        // "&Zavřít" hides the panel, the countdown goes on.
        part<TDsFancyButton>(m_info.get(), "YesBtn")->click();
        QVERIFY(!m_info->isVisible());
        m_now = m_now.addSecs(26);
        m_info->Timer1Timer();
        QCOMPARE(panelLabel("Label8")->text(), QString("Do konce testu zbývá 0:09"));
        QCOMPARE(m_info->beepCount(), 1);
        m_test->InfoBtnClick();
        QVERIFY(m_info->isVisible());
        m_now = m_now.addSecs(10);
        m_info->Timer1Timer();
        QVERIFY(!panelLabel("Label9")->isHidden());
        QVERIFY(!panelLabel("Label10")->isHidden());
        QVERIFY(panelLabel("Label8")->isHidden());
        QCOMPARE(panelLabel("Label9")->text(), QString("Čas testu vypršel"));
        QVERIFY(!m_info->isTicking());
        timedOut = m_test->timedOut();
        QTRY_VERIFY(!m_test->isVisible());
    });
    QVERIFY(timedOut);
    QVERIFY(!m_leftOpen);
    QVERIFY2(m_systemTexts.isEmpty(), qPrintable(m_systemTexts.join('|')));
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(m_results[0].text, QString("Získal jste %1 bodů z %2 . Prohlédnout ?").arg(bb1).arg(total));
    QCOMPARE(m_results[0].verdict, QString("Neprošel. "));
    QVERIFY(!m_results[0].okOnly);
    QVERIFY(!m_info->isVisible());

    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine("SELECT * FROM STATIS WHERE ID_ZAK=1");
    q->open();
    QCOMPARE(q->recordCount(), 1);
    QCOMPARE(q->asInteger("PTOTAL"), total);
    QCOMPARE(q->asInteger("PCURRENT"), bb1);
    QCOMPARE(q->asInteger("ID_TEST"), 1);
    QCOMPARE(q->asString("TEST_NAME"), QString("Ostré testy - Test číslo 1"));
    QCOMPARE(q->asDateTime("DATETIME"), m_now);
    const QString report = q->asString("REPORT");
    q->close();
    QVERIFY(report.endsWith("\r\n"));
    QStringList lines = report.split("\r\n");
    lines.removeLast();
    QCOMPARE(lines.size(), 9 + 10 + 2 + 2);
    QCOMPARE(lines[0], QString(" Autoškola Správce"));
    QCOMPARE(lines[1], QString("   "));
    QCOMPARE(lines[2], QString("   Oprávnění : B"));
    QVERIFY2(lines[3].startsWith("   Datum a čas testu : ") && lines[3].endsWith(" 10:01:01"),
             qPrintable(lines[3]));
    QCOMPARE(lines[4], QString("   Typ a číslo testu : Ostré testy - Test číslo 1"));
    QCOMPARE(lines[5], QString("   "));
    QCOMPARE(lines[6], QString("   Otázka  Odpověď  Správná  Počet"));
    QCOMPARE(lines[7], QString("    číslo     žáka  odpověď   bodů"));
    QCOMPARE(lines[8], QString("   -------------------------------"));
    auto letters = [](const QString& p) {
        QString s;
        for (int i = 0; i < p.size(); ++i)
            if (p[i] == '1')
                s += QChar('a' + i);
        return s;
    };
    QCOMPARE(lines[9], QString::asprintf("      %3d     %4s     %4s     %2d", 1, qPrintable(letters(aa1)),
                                         qPrintable(letters(aa1)), bb1));
    QVERIFY2(lines[10].startsWith("    *   2     "), qPrintable(lines[10]));
    QVERIFY2(lines[11].startsWith("    *   3                "), qPrintable(lines[11]));
    QCOMPARE(lines[19], QString(""));
    QCOMPARE(lines[20], QString("      Neprošel. "));
    QCOMPARE(lines[21], QString("   -------------------------------"));
    QCOMPARE(lines[22], QString::asprintf("               Celkem :%4d   %4d", bb1, total));
    QCOMPARE(m_results[0].report, lines);
    // The first question was right, the second wrong; the stored test is now outstanding.
    QCOMPARE(zakOdp(id2), wrongPattern);
    QCOMPARE(zakOdp(id1), QString("<none>"));
    QCOMPARE(count("SELECT * FROM ZAKTEST WHERE ID_ZAK=1 AND ID_TEST=1"), 1);
    QCOMPARE(set->recordCount(), 9);
}

void TstTestDlg::wrongAnswerKeptOnceAndRemovedWhenRight()
{
    // Question 2 has AA "0010"? Take it from the bank to be sure.
    auto runOnce = [&](Qt::Key key) {
        DM->QTestType1->close();
        DM->QTestType1->setParam("ID_OKRUH", 1);
        DM->QTestType1->setParam("SKILL_LEVEL", "%");
        DM->QTestType1->open();
        run(tmPractice, 0, DM->QTestType1, 0, [&] {
            QTest::keyClick(m_test.get(), key);
            m_test->OkBtnClick();
        });
        QVERIFY(!m_leftOpen);
    };
    DM->QTestType1->close();
    DM->QTestType1->setParam("ID_OKRUH", 1);
    DM->QTestType1->setParam("SKILL_LEVEL", "%");
    DM->QTestType1->open();
    const int id = DM->QTestType1->asInteger("ID_OTAZKA");
    const QString aa = DM->QTestType1->asString("AA");
    QVERIFY(aa == "1000" || aa == "0100" || aa == "0010" || aa == "0001");
    const int right = aa.indexOf('1');
    const Qt::Key wrong1 = Qt::Key(Qt::Key_A + (right + 1) % 4);
    const Qt::Key wrong2 = Qt::Key(Qt::Key_A + (right + 2) % 4);
    runOnce(wrong1);
    QString first(4, '0');
    first[(right + 1) % 4] = '1';
    QCOMPARE(zakOdp(id), first);
    QCOMPARE(m_systemTexts.first(), QString("Opravdu chcete ukončit zkušební test ?"));
    runOnce(wrong2);
    QCOMPARE(zakOdp(id), first);
    QCOMPARE(count(QString("SELECT * FROM ZAKODP WHERE ID_ZAK=1 AND ID_OTAZKA=%1").arg(id)), 1);
    runOnce(Qt::Key(Qt::Key_A + right));
    QCOMPARE(zakOdp(id), QString("<none>"));
    // The untouched questions of the group are wrong and recorded with an empty answer.
    QCOMPARE(zakOdp(id + 1), QString(""));
}

void TstTestDlg::storedTestGainedAndLost()
{
    TDataSet* set = makeSet({{1, 1, "1000", 2}, {2, 1, "0100", 3}});
    run(tmErrorTest, 3, set, 0, [&] {
        QTest::keyClick(m_test.get(), Qt::Key_A);
        m_test->OkBtnClick();
    });
    QCOMPARE(m_systemTexts.value(0), QString("Opravdu chcete ukončit chybový test ?"));
    QCOMPARE(m_systemTexts.value(1), QString("Získal jste 2 bodů z 5 . Prohlédnout ?"));
    QCOMPARE(count("SELECT * FROM ZAKTEST WHERE ID_ZAK=1 AND ID_TEST=3"), 1);
    set = makeSet({{1, 1, "1000", 2}, {2, 1, "0100", 3}});
    run(tmErrorTest, 3, set, 0, [&] {
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QTest::keyClick(m_test.get(), Qt::Key_End);
        QTest::keyClick(m_test.get(), Qt::Key_B);
        m_test->OkBtnClick();
    });
    QCOMPARE(m_systemTexts.value(3), QString("Gratulujeme. Získal jste 5 bodů z 5 ."));
    QCOMPARE(m_systemTexts.size(), 4);
    QVERIFY(!m_leftOpen);
    QCOMPARE(count("SELECT * FROM ZAKTEST WHERE ID_ZAK=1"), 0);
    QCOMPARE(count("SELECT * FROM STATIS"), 0);
}

void TstTestDlg::randomTestLeavesZakTest()
{
    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine("INSERT INTO ZAKTEST (ID_ZAK,ID_TEST) VALUES (1,2)");
    q->execSql();
    TDataSet* set = makeSet({{1, 1, "1000", 2}, {2, 1, "0100", 3}});
    run(tmLive, 0, set, 0, [&] { m_test->OkBtnClick(); });
    QCOMPARE(count("SELECT * FROM ZAKTEST"), 1);
    QCOMPARE(count("SELECT * FROM ZAKTEST WHERE ID_TEST=2"), 1);
    QCOMPARE(count("SELECT * FROM STATIS WHERE ID_TEST=0 AND ID_ZAK=1"), 1);
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit test ?"});
    // A perfect random test does not remove another test's row either.
    set = makeSet({{1, 1, "1000", 2, "1000"}});
    run(tmLive, 0, set, 0, [&] { m_test->OkBtnClick(); });
    QCOMPARE(count("SELECT * FROM ZAKTEST"), 1);
    QCOMPARE(m_results.last().verdict, QString("Prošel. "));
    QVERIFY(m_results.last().okOnly);
}

void TstTestDlg::passRule_data()
{
    QTest::addColumn<int>("rightPoints");
    QTest::addColumn<int>("wrongPoints");
    QTest::addColumn<int>("wrongGroup");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("43 of 50") << 43 << 7 << 1 << "Prošel. "
                              << "" << QStringList{"", "Prošel. "};
    QTest::newRow("42 of 50") << 42 << 8 << 1 << "Neprošel. "
                              << "" << QStringList{"", "      Neprošel. "};
    QTest::newRow("mandatory wrong") << 45 << 5 << 4 << "Neprošel. "
                                     << "NE UDELAL JSTE VSECHNI POVINNE OTAZKY... "
                                     << QStringList{"", "      Neprošel. ", "",
                                                    "      NE UDELAL JSTE VSECHNI POVINNE OTAZKY... "};
}

void TstTestDlg::passRule()
{
    QFETCH(int, rightPoints);
    QFETCH(int, wrongPoints);
    QFETCH(int, wrongGroup);
    QFETCH(QString, verdict);
    QFETCH(QString, note);
    QFETCH(QStringList, tail);
    TDataSet* set =
        makeSet({{1, 1, "1000", rightPoints, "1000"}, {2, wrongGroup, "0100", wrongPoints, "1000"}});
    run(tmLive, 2, set, 0, [&] { m_test->OkBtnClick(); });
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(m_results[0].text, QString("Získal jste %1 bodů z 50 . Prohlédnout ?").arg(rightPoints));
    QCOMPARE(m_results[0].verdict, verdict);
    QCOMPARE(m_results[0].note, note);
    const QStringList report = m_results[0].report;
    QCOMPARE(report.mid(11, tail.size()), tail);
    QCOMPARE(report.last(), QString::asprintf("               Celkem :%4d   %4d", rightPoints, 50));
}

void TstTestDlg::pictureFit_data()
{
    QTest::addColumn<QSize>("own");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("frame");
    QTest::newRow("560x360 jpeg") << QSize(560, 360) << QByteArray("JPG") << QSize(280, 180)
                                  << QSize(290, 190);
    QTest::newRow("400x100 bmp") << QSize(400, 100) << QByteArray("BMP") << QSize(280, 70) << QSize(290, 73);
    QTest::newRow("100x300 jpeg") << QSize(100, 300) << QByteArray("JPG") << QSize(60, 180) << QSize(62, 190);
    QTest::newRow("600x500 bmp") << QSize(600, 500) << QByteArray("BMP") << QSize(216, 180)
                                 << QSize(223, 190);
    QTest::newRow("200x100 jpeg") << QSize(200, 100) << QByteArray("JPG") << QSize(200, 100)
                                  << QSize(207, 105);
}

void TstTestDlg::pictureFit()
{
    QFETCH(QSize, own);
    QFETCH(QByteArray, format);
    QFETCH(QSize, image);
    QFETCH(QSize, frame);
    putPicture(900, encoded(testImage(own), format.constData()));
    const QPoint panelPos = part<QFrame>(m_test.get(), "BMPPanel")->pos();
    const QPoint framePos = label("Image1")->pos();
    m_test->LoadQuestionPicture(900);
    QCOMPARE(label("BMPImage")->geometry(), QRect(QPoint(0, 0), image));
    QCOMPARE(part<QFrame>(m_test.get(), "BMPPanel")->size(), image + QSize(2, 2));
    QCOMPARE(label("Image1")->size(), frame);
    QCOMPARE(part<QFrame>(m_test.get(), "BMPPanel")->pos(), panelPos);
    QCOMPARE(label("Image1")->pos(), framePos);
    // the picture itself is shown, not the placeholder of the same size
    QVERIFY(label("BMPImage")->pixmap().toImage().convertToFormat(QImage::Format_RGB32) !=
            Artwork::placeholderPicture().convertToFormat(QImage::Format_RGB32));
}

void TstTestDlg::unreadablePicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray jpeg = encoded(testImage(QSize(300, 200)), "JPG");
    QByteArray wmf("\xD7\xCD\xC6\x9A\x00\x00\x01\x02", 8);
    wmf += QByteArray(10, '\xFF');
    QByteArray emf("\x01\x00\x00\x00\x08\x00\x00\x00", 8);
    QByteArray bmp = encoded(testImage(QSize(40, 30)), "BMP");
    bmp[0] = 'X';
    QTest::newRow("foreign signature") << bmp;
    QTest::newRow("truncated jpeg") << jpeg.left(jpeg.size() / 3);
    QTest::newRow("corrupt placeable metafile") << wmf;
    QTest::newRow("corrupt enhanced metafile") << emf;
    // A bitmap header that claims 40000 x 40000 pixels over a few bytes of data.
    QByteArray bomb("BM", 2);
    auto le32 = [](QByteArray& b, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    le32(bomb, 54 + 64);
    le32(bomb, 0);
    le32(bomb, 54);
    le32(bomb, 40);
    le32(bomb, 40000);
    le32(bomb, 40000);
    bomb.append("\x01\x00\x18\x00", 4);
    le32(bomb, 0);
    le32(bomb, 0);
    le32(bomb, 2835);
    le32(bomb, 2835);
    le32(bomb, 0);
    le32(bomb, 0);
    bomb.append(QByteArray(64, '\x7F'));
    QTest::newRow("bitmap bomb") << bomb;
    QTest::newRow("two bytes") << QByteArray("BM");
    QTest::newRow("empty") << QByteArray();
}

void TstTestDlg::unreadablePicture()
{
    QFETCH(QByteArray, bytes);
    putPicture(901, bytes);
    TDataSet* set = makeSet({{31, 4, "1000", 2, QString(), 901}, {32, 4, "1000", 2, QString(), 0}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(!m_test->pictureClickable());
        QCOMPARE(label("BMPImage")->size(), QSize(280, 180));
        QCOMPARE(label("BMPImage")->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 Artwork::placeholderPicture().convertToFormat(QImage::Format_RGB32));
        QTest::mouseClick(label("BMPImage"), Qt::LeftButton);
        QCOMPARE(QApplication::activeModalWidget(), m_test.get());
        // ID_PICT 0 shows the placeholder too.
        m_test->NextBtnClick();
        QVERIFY(!m_test->pictureClickable());
        QCOMPARE(label("BMPImage")->size(), QSize(280, 180));
        m_test->OkBtnClick();
    });
    QVERIFY(!m_leftOpen);
}

void TstTestDlg::pictureClickByGroup()
{
    putPicture(902, encoded(testImage(QSize(300, 200)), "JPG"));
    TDataSet* set = makeSet({{21, 3, "1000", 2, QString(), 902}, {31, 4, "1000", 2, QString(), 902}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(!m_test->pictureClickable());
        QCOMPARE(label("BMPImage")->size(), QSize(270, 180));
        m_test->NextBtnClick();
        QVERIFY(m_test->pictureClickable());
        m_test->OkBtnClick();
    });
}

void TstTestDlg::zoomPlacement()
{
    // A smooth gradient survives JPEG closely; its blue stays far from the skin's warm colours.
    auto gradient = [](QSize size) {
        QImage img(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                img.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 230));
        return img;
    };
    const QByteArray large = encoded(gradient(QSize(560, 360)), "JPG");
    const QByteArray small = encoded(gradient(QSize(200, 100)), "BMP");
    putPicture(903, large);
    putPicture(904, small);
    TDataSet* set = makeSet({{31, 4, "1000", 2, QString(), 903}, {32, 4, "1000", 2, QString(), 904}});
    struct Seen
    {
        QRect geometry;
        QImage window;
        bool okButtonOnTop = false;
    };
    QList<Seen> seen;
    run(tmHints, 0, set, 0, [&] {
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, [&] {
                auto* zoom = qobject_cast<TImageZoom*>(QApplication::activeModalWidget());
                if (!zoom)
                    return;
                QCOMPARE(zoom->size(), QSize(560, 324));
                QCOMPARE(zoom->image()->pixmap().size(), zoom->image()->size());
                const QPoint okCentre = zoom->okButton()->geometry().center();
                seen << Seen{zoom->image()->geometry(), zoom->grab().toImage(),
                             zoom->childAt(okCentre) == zoom->okButton()};
                QTest::mouseClick(zoom->image(), Qt::LeftButton);
            });
            QTest::mouseClick(label("BMPImage"), Qt::LeftButton);
            m_test->NextBtnClick();
        }
        m_test->OkBtnClick();
    });
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].geometry, QRect(-10, -35, 560, 360));
    QCOMPARE(seen[1].geometry, QRect(170, 95, 200, 100));

    // What the window shows: the picture at its place, cut off by the window's edges, the skin
    // around it, and the "&Ok" button over it.
    const QImage skin(TForm::skinPicturePath(QStringLiteral("zoom")));
    QVERIFY(!skin.isNull());
    auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12 &&
               qAbs(qBlue(a) - qBlue(b)) <= 12;
    };
    const QByteArray pictures[] = {large, small};
    for (int i = 0; i < 2; ++i) {
        const QImage picture = QImage::fromData(pictures[i]);
        const QImage& window = seen[i].window;
        QCOMPARE(window.size(), QSize(560, 324));
        const QRect shown = seen[i].geometry & QRect(QPoint(0, 0), window.size());
        const QRect okButton(QPoint(231, 284), QSize(97, 25));
        int compared = 0;
        for (int y = shown.top() + 3; y < shown.bottom() - 3; y += 17)
            for (int x = shown.left() + 3; x < shown.right() - 3; x += 23) {
                if (okButton.adjusted(-3, -3, 3, 3).contains(x, y))
                    continue;
                const QPoint inPicture = QPoint(x, y) - seen[i].geometry.topLeft();
                QVERIFY2(near(window.pixel(x, y), picture.pixel(inPicture)),
                         qPrintable(QStringLiteral("picture %1 at %2,%3").arg(i).arg(x).arg(y)));
                ++compared;
            }
        QVERIFY(compared > 40);
        QVERIFY(seen[i].okButtonOnTop);
    }
    // beside the small picture the skin shows
    for (const QPoint at : {QPoint(100, 140), QPoint(450, 140), QPoint(280, 60), QPoint(280, 240)})
        QVERIFY2(near(seen[1].window.pixel(at), skin.pixel(at)),
                 qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
}

void TstTestDlg::reviewShowsWrongQuestions()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}, {3, 1, "0011", 3}});
    m_systemAnswer = [](const QString&, bool) { return true; };
    QStringList afterReview;
    run(tmPractice, 0, set, 0, [&] {
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QTest::keyClick(m_test.get(), Qt::Key_PageDown);
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QTest::keyClick(m_test.get(), Qt::Key_PageDown);
        QTest::keyClick(m_test.get(), Qt::Key_C);
        QTest::keyClick(m_test.get(), Qt::Key_D);
        m_test->OkBtnClick();
        QVERIFY(m_test->isVisible());
        QCOMPARE(m_test->mode(), int(tmReview));
        QCOMPARE(label("QuestionCount")->text(), QString("Celkový počet otázek 1"));
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 0"));
        QVERIFY(part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn")->isEnabled());
        QCOMPARE(set->asInteger("ID_OTAZKA"), 2);
        for (TWrapCheckBox* box : answers())
            QVERIFY(!box->isEnabled());
        QVERIFY(answer(0)->isChecked());
        QVERIFY(!answer(1)->isChecked());
        QCOMPARE(answer(1)->fontColour(), QColor(255, 0, 0));
        QCOMPARE(answer(0)->fontColour(), QColor(Qt::black));
        QTest::keyClick(m_test.get(), Qt::Key_C);
        QVERIFY(!answer(2)->isChecked());
        afterReview = m_systemTexts;
        m_test->OkBtnClick();
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(afterReview, (QStringList{"Opravdu chcete ukončit zkušební test ?",
                                       "Získal jste 4 bodů z 6 . Prohlédnout ?"}));
    QCOMPARE(m_systemTexts.size(), 3);
    QCOMPARE(m_systemTexts[2], QString("Opravdu chcete ukončit prohlížení otázek ?"));
    QCOMPARE(zakOdp(2), QString("1000"));
    QCOMPARE(zakOdp(1), QString("<none>"));
}

void TstTestDlg::reviewIsNotTimed()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}});
    m_resultAnswer = true;
    bool stillOpen = false;
    run(tmLive, 0, set, 1, [&] {
        m_test->Timer1Timer();
        m_now = m_now.addSecs(61);
        m_info->Timer1Timer();
        QTRY_COMPARE(m_test->mode(), int(tmReview));
        QVERIFY(m_test->isVisible());
        QVERIFY(!m_info->isVisible());
        // "Info" in the review shows the ticker; the ended countdown does not strike again.
        m_test->InfoBtnClick();
        QVERIFY(!part<QWidget>(m_info.get(), "Panel2")->isHidden());
        m_now = m_now.addSecs(120);
        m_info->Timer1Timer();
        QTest::qWait(20);
        stillOpen = m_test->isVisible();
        m_test->OkBtnClick();
    });
    QVERIFY(stillOpen);
    QVERIFY(!m_leftOpen);
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit prohlížení otázek ?"});
    QCOMPARE(count("SELECT * FROM STATIS"), 1);
}

void TstTestDlg::countdownDuringConfirmation()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1, "1000"}, {2, 1, "0100", 2}});
    // The time runs out while the pupil is asked; his "&Ne" no longer keeps the test open.
    m_systemAnswer = [this](const QString& text, bool) {
        if (text.startsWith("Opravdu")) {
            m_now = m_now.addSecs(60);
            m_info->Timer1Timer();
        }
        return false;
    };
    run(tmLive, 0, set, 1, [&] {
        m_test->Timer1Timer();
        m_test->OkBtnClick();
        QTest::qWait(20);
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit test ?"});
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(count("SELECT * FROM STATIS"), 1);
}

void TstTestDlg::countdownClosesOpenDialogs()
{
    // The real confirmation window is open when the time runs out: it closes and the test is scored.
    TSystemDlg::setAutoAnswer({});
    TDataSet* set = makeSet({{31, 4, "1000", 2, "1000", 905}, {2, 1, "0100", 2}});
    putPicture(905, encoded(testImage(QSize(300, 200)), "JPG"));
    bool confirmationSeen = false;
    run(tmLive, 0, set, 1, [&] {
        m_test->Timer1Timer();
        QTimer::singleShot(0, [&] {
            confirmationSeen = QApplication::activeModalWidget() == m_system.get();
            m_now = m_now.addSecs(60);
            m_info->Timer1Timer();
        });
        m_test->OkBtnClick();
        QTRY_VERIFY(!m_test->isVisible());
    });
    QVERIFY(confirmationSeen);
    QVERIFY(!m_system->isVisible());
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(count("SELECT * FROM STATIS"), 1);

    // The enlarged picture is open when the time runs out.
    set = makeSet({{31, 4, "1000", 2, "1000", 905}, {2, 1, "0100", 2}});
    bool zoomSeen = false;
    m_now = m_now.addSecs(100);
    run(tmLive, 0, set, 1, [&] {
        m_test->Timer1Timer();
        QTimer::singleShot(0, [&] {
            zoomSeen = qobject_cast<TImageZoom*>(QApplication::activeModalWidget()) != nullptr;
            m_now = m_now.addSecs(60);
            m_info->Timer1Timer();
        });
        QTest::mouseClick(label("BMPImage"), Qt::LeftButton);
        QTRY_VERIFY(!m_test->isVisible());
    });
    QVERIFY(zoomSeen);
    QCOMPARE(m_results.size(), 2);
    QCOMPARE(count("SELECT * FROM STATIS"), 2);
}

void TstTestDlg::accessibleAnswers()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}});
    run(tmHints, 0, set, 0, [&] {
        TWrapCheckBox* box = answer(0);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::CheckBox);
        QVERIFY(iface->text(QAccessible::Name).startsWith("a)  První možnost"));
        QVERIFY(!iface->state().checked);
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QVERIFY(iface->state().checked);
        // a screen reader toggles the answer through its action
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!box->isChecked());
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(box->isChecked());
        // the question is text, named by the question, not a button; the window is named by the run
        QAccessibleInterface* text = QAccessible::queryAccessibleInterface(question());
        QCOMPARE(text->role(), QAccessible::StaticText);
        QCOMPARE(text->text(QAccessible::Name), question()->caption().trimmed());
        QVERIFY(!text->text(QAccessible::Name).isEmpty());
        QVERIFY(text->actionInterface() == nullptr || text->actionInterface()->actionNames().isEmpty());
        QVERIFY(!QAccessible::queryAccessibleInterface(m_test.get())->text(QAccessible::Name).isEmpty());
        QAccessibleInterface* ok =
            QAccessible::queryAccessibleInterface(part<TDsFancyButton>(m_test.get(), "OkBtn"));
        QCOMPARE(ok->text(QAccessible::Name), QString("Ok"));
        QVERIFY(!label("BMPImage")->accessibleName().isEmpty());
        m_test->OkBtnClick();
    });
}

// The explanation of a question shows under the answers only where its right answers are shown:
// browsing with the answers, a test with hints after "?", the review after scoring; never in a
// scored test before its scoring. A question without one shows no box.
void TstTestDlg::explanationOnlyWhereAnswersShow()
{
    const QString text = "Vozidlo přijíždějící zprava má přednost, <b>ne</b> vozidlo zleva.";
    for (const auto& [id, t] : {std::pair{1, text}, std::pair{3, QString("Třetí otázka.")}}) {
        TQuery* q = DM->QTmp;
        q->close();
        q->setSql({"INSERT INTO VYSVETLENI (ID_OTAZKA, TEXT) VALUES (:ID, :T)"});
        q->setParam("ID", id);
        q->setParam("T", t);
        q->execSql();
    }
    auto* box = part<QScrollArea>(m_test.get(), "ScrollBox3");
    auto* answersBox = part<QScrollArea>(m_test.get(), "ScrollBox2");
    auto nothingShown = [&] {
        return m_test->shownExplanation().isEmpty() && box->isHidden() && answersBox->height() == 210;
    };

    // A live test: nothing before scoring, F1 included; in the review each wrong question's.
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}, {3, 1, "0010", 3}});
    m_resultAnswer = true;
    run(tmLive, 0, set, 0, [&] {
        QVERIFY(nothingShown());
        QTest::keyClick(m_test.get(), Qt::Key_B);
        QTest::keyClick(m_test.get(), Qt::Key_F1);
        QVERIFY(nothingShown());
        m_test->LastBtnClick();
        QTest::keyClick(m_test.get(), Qt::Key_C);
        QVERIFY(nothingShown());
        m_test->OkBtnClick();
        QCOMPARE(m_test->mode(), int(tmReview));
        QCOMPARE(set->asInteger("ID_OTAZKA"), 1);
        QCOMPARE(m_test->shownExplanation(), text); // as plain text, markup and all
        QVERIFY(box->isVisible());
        QVERIFY(answersBox->geometry().bottom() < box->geometry().top());
        QAccessibleInterface* region = QAccessible::queryAccessibleInterface(box);
        QCOMPARE(region->text(QAccessible::Name), QString("Vysvětlení správné odpovědi"));
        QAccessibleInterface* read =
            QAccessible::queryAccessibleInterface(part<QLabel>(m_test.get(), "LabelExplanation"));
        QCOMPARE(read->role(), QAccessible::StaticText);
        QCOMPARE(read->text(QAccessible::Name), text);
        m_test->NextBtnClick(); // question 2 has none
        QCOMPARE(set->asInteger("ID_OTAZKA"), 2);
        QVERIFY(nothingShown());
        m_test->OkBtnClick();
    });
    QCOMPARE(count("SELECT * FROM ZAKVYSL WHERE ID_ZAK=1 AND REZIM=4"), 3);
    QCOMPARE(count("SELECT * FROM ZAKVYSL WHERE SPRAVNE=1 AND ID_OTAZKA=3"), 1);

    // Practice and error tests: "?" and F1 do nothing, so no explanation either.
    for (int mode : {int(tmPractice), int(tmErrorTest)}) {
        set = makeSet({{1, 1, "1000", 1}});
        run(mode, 0, set, 0, [&] {
            QTest::keyClick(m_test.get(), Qt::Key_F1);
            QTest::mouseClick(part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn"), Qt::LeftButton);
            QVERIFY(nothingShown());
            m_test->abandonModalRun();
        });
    }

    // A test with hints: only after "?", and gone again when the question is next shown.
    set = makeSet({{1, 1, "1000", 1}, {3, 1, "0010", 1}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(nothingShown());
        QTest::mouseClick(part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn"), Qt::LeftButton);
        QCOMPARE(m_test->shownExplanation(), text);
        m_test->NextBtnClick();
        QVERIFY(nothingShown());
        QTest::keyClick(m_test.get(), Qt::Key_F1);
        QCOMPARE(m_test->shownExplanation(), QString("Třetí otázka."));
        m_test->OkBtnClick();
    });

    // Browsing with the answers shown at once: on every question that has one.
    set = makeSet({{2, 1, "0100", 1}, {3, 1, "0010", 1}});
    run(
        tmBrowse, 0, set, 0,
        [&] {
            QVERIFY(nothingShown());
            m_test->NextBtnClick();
            QCOMPARE(m_test->shownExplanation(), QString("Třetí otázka."));
            m_test->OkBtnClick();
        },
        true);
}

// The database refuses one statement of the store (a trigger): nothing of the test is stored,
// the window stays open with the pupil's answers on the question shown, the countdown goes on,
// and "&Ok" pressed again stores the test once, whole.
void TstTestDlg::failedStoreKeepsTestOpen_data()
{
    QTest::addColumn<QString>("table");
    // The first attempt's answer lost after its commit: the retry must not store the report twice.
    QTest::addColumn<bool>("reportLanded");
    QTest::newRow("report refused") << QString("STATIS") << false;
    QTest::newRow("wrong answer refused") << QString("ZAKODP") << false;
    QTest::newRow("first report landed unconfirmed") << QString("ZAKODP") << true;
    QTest::newRow("outcome refused") << QString("ZAKVYSL") << false;
}

void TstTestDlg::failedStoreKeepsTestOpen()
{
    QFETCH(QString, table);
    QFETCH(bool, reportLanded);
    const bool server = DM->engine().kind() == "postgres";
    auto exec = [](const QString& sql) {
        TQuery* q = DM->QTmp;
        q->close();
        q->clearSql();
        q->addLine(sql);
        q->execSql();
    };
    if (server) {
        exec("CREATE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS "
             "$$ BEGIN RAISE EXCEPTION 'zapis odmitnut'; END $$");
        exec(QString("CREATE TRIGGER refuse BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION refuse_row()")
                 .arg(table));
    } else {
        exec(QString(
                 "CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'zapis odmitnut'); END")
                 .arg(table));
    }
    TDataSet* set = makeSet({{1, 1, "1000", 2}, {2, 4, "0100", 3}, {3, 1, "0010", 1}});
    bool stayedOpen = false;
    run(tmLive, 3, set, 1, [&] {
        m_test->Timer1Timer();
        QVERIFY(m_info->isTicking());
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QTest::keyClick(m_test.get(), Qt::Key_PageDown);
        QTest::keyClick(m_test.get(), Qt::Key_C);
        m_test->OkBtnClick();

        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors[0].startsWith("Chyba: test se nepodařilo uložit. Test zůstává otevřený") &&
                     m_errors[0].contains("zapis odmitnut"),
                 qPrintable(m_errors[0]));
        stayedOpen = m_test->isVisible();
        QVERIFY(stayedOpen);
        QCOMPARE(m_test->mode(), int(tmLive));
        QVERIFY(m_results.isEmpty());
        QCOMPARE(count("SELECT * FROM ZAKODP"), 0);
        QCOMPARE(count("SELECT * FROM ZAKTEST"), 0);
        QCOMPARE(count("SELECT * FROM STATIS"), 0);
        QCOMPARE(count("SELECT * FROM ZAKVYSL"), 0);
        // Every question with its answer as the pupil left it, and the question shown still the second.
        QCOMPARE(set->recordCount(), 3);
        QCOMPARE(set->valueAt(0, "CC").toString(), QString("1000"));
        QCOMPARE(set->valueAt(1, "CC").toString(), QString("0010"));
        QVERIFY(set->valueAt(2, "CC").toString().isEmpty());
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 2 "));
        QVERIFY(answer(2)->isChecked());
        QVERIFY(answer(0)->isEnabled());
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 1"));
        QVERIFY(m_info->isVisible());
        QVERIFY(m_info->isTicking());

        m_errors.clear();
        exec("DROP TRIGGER refuse" + QString(server ? " ON " + table : ""));
        if (reportLanded)
            exec("INSERT INTO STATIS (ID_ZAK, PTOTAL, PCURRENT, DATETIME, ID_TEST, TEST_NAME, REPORT) "
                 "VALUES (1, 6, 2, '2026-12-08 10:00:00', 3, 'Test', 'Zpráva')");
        m_test->OkBtnClick();
    });
    QVERIFY(stayedOpen);
    QVERIFY(!m_leftOpen);
    QCOMPARE(m_systemTexts, QStringList({"Opravdu chcete ukončit test ?", "Opravdu chcete ukončit test ?"}));
    QCOMPARE(m_results.size(), 1);
    QCOMPARE(m_results[0].text, QString("Získal jste 2 bodů z 6 . Prohlédnout ?"));
    QCOMPARE(count("SELECT * FROM STATIS WHERE ID_ZAK=1 AND PCURRENT=2 AND PTOTAL=6 AND ID_TEST=3"), 1);
    QCOMPARE(count("SELECT * FROM STATIS"), 1);
    QCOMPARE(count("SELECT * FROM ZAKTEST WHERE ID_ZAK=1 AND ID_TEST=3"), 1);
    QCOMPARE(zakOdp(2), QString("0010"));
    QCOMPARE(zakOdp(3), QString(""));
    QCOMPARE(zakOdp(1), QString("<none>"));
    // Each answer's outcome once, with the report's time; when the report is found from an
    // attempt that landed unconfirmed, that attempt's outcomes are taken as stored too.
    QCOMPARE(count("SELECT * FROM ZAKVYSL WHERE ID_ZAK=1 AND REZIM=4 AND DATETIME='2026-12-08 10:00:00'"),
             reportLanded ? 0 : 3);
    QCOMPARE(count("SELECT * FROM ZAKVYSL"), reportLanded ? 0 : 3);
    QCOMPARE(count("SELECT * FROM ZAKVYSL WHERE SPRAVNE=1 AND ID_OTAZKA=1"), reportLanded ? 0 : 1);
    QVERIFY(!m_info->isTicking());
}

void TstTestDlg::unansweredCounter()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}, {3, 1, "0010", 1}});
    run(tmHints, 0, set, 0, [&] {
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 3"));
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QCOMPARE(m_test->unansweredCount(), 2);
        QTest::keyClick(m_test.get(), Qt::Key_B);
        QCOMPARE(m_test->unansweredCount(), 2);
        QCOMPARE(set->asString("CC"), QString("1100"));
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QCOMPARE(m_test->unansweredCount(), 2);
        QTest::keyClick(m_test.get(), Qt::Key_B);
        QCOMPARE(m_test->unansweredCount(), 3);
        QCOMPARE(set->asString("CC"), QString("0000"));
        // The mouse ticks the same way.
        QTest::mouseClick(answer(3), Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(set->asString("CC"), QString("0001"));
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 2"));
        // Showing questions never changes the counter.
        m_test->NextBtnClick();
        m_test->PrevBtnClick();
        QCOMPARE(m_test->unansweredCount(), 2);
        QVERIFY(answer(3)->isChecked());
        m_test->OkBtnClick();
    });
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit test s nápovědou ?"});
    QCOMPARE(count("SELECT * FROM ZAKODP"), 0);
}

void TstTestDlg::tenRowMoves()
{
    QList<Q> qs;
    for (int i = 0; i < 100; ++i)
        qs.append({i % 40 + 1, 1, "1000", 1});
    TDataSet* set = makeSet(qs);
    run(tmHints, 0, set, 0, [&] {
        QCOMPARE(label("QuestionCount")->text(), QString("Celkový počet otázek 100"));
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 1 "));
        QTest::keyClick(m_test.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 11 "));
        set->moveTo(94);
        m_test->ShowQuestion();
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 95 "));
        QTest::keyClick(m_test.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 100 "));
        QTest::keyClick(m_test.get(), Qt::Key_PageDown);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 100 "));
        QTest::keyClick(m_test.get(), Qt::Key_PageUp);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 99 "));
        QTest::keyClick(m_test.get(), Qt::Key_Home);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 1 "));
        QTest::keyClick(m_test.get(), Qt::Key_PageUp);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 1 "));
        set->moveTo(4);
        m_test->ShowQuestion();
        QTest::keyClick(m_test.get(), Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 1 "));
        QTest::keyClick(m_test.get(), Qt::Key_End);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 100 "));
        QTest::mouseClick(part<TDsFancyButton>(m_test.get(), "FirstBtn"), Qt::LeftButton);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 1 "));
        QTest::mouseClick(part<TDsFancyButton>(m_test.get(), "NextBtn"), Qt::LeftButton);
        QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 2 "));
        QTest::keyClick(m_test.get(), Qt::Key_Escape);
    });
    QVERIFY(!m_leftOpen);
}

void TstTestDlg::hintsByMode()
{
    TDataSet* set = makeSet({{1, 1, "0110", 1}, {2, 1, "0100", 2}});
    run(tmPractice, 0, set, 0, [&] {
        QVERIFY(!part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn")->isEnabled());
        QTest::keyClick(m_test.get(), Qt::Key_F1);
        QTest::mouseClick(part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn"), Qt::LeftButton);
        for (TWrapCheckBox* box : answers())
            QCOMPARE(box->fontColour(), QColor(Qt::black));
        m_test->abandonModalRun();
    });
    set = makeSet({{1, 1, "0110", 1}, {2, 1, "0100", 2}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(part<TDsFancyButton>(m_test.get(), "ShowAnswerBtn")->isEnabled());
        QTest::keyClick(m_test.get(), Qt::Key_A);
        QTest::keyClick(m_test.get(), Qt::Key_F1);
        QCOMPARE(answer(0)->fontColour(), QColor(Qt::black));
        QCOMPARE(answer(1)->fontColour(), QColor(255, 0, 0));
        QCOMPARE(answer(2)->fontColour(), QColor(255, 0, 0));
        QVERIFY(answer(0)->isChecked());
        QVERIFY(!answer(1)->isChecked());
        m_test->NextBtnClick();
        m_test->PrevBtnClick();
        for (TWrapCheckBox* box : answers())
            QCOMPARE(box->fontColour(), QColor(Qt::black));
        QVERIFY(answer(0)->isChecked());
        m_test->OkBtnClick();
    });
}

void TstTestDlg::browsingTicksVanish()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}});
    run(tmBrowse, 0, set, 0, [&] {
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 0"));
        QVERIFY(answer(1)->isEnabled());
        QTest::keyClick(m_test.get(), Qt::Key_B);
        QVERIFY(answer(1)->isChecked());
        QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 0"));
        m_test->NextBtnClick();
        m_test->PrevBtnClick();
        QVERIFY(!answer(1)->isChecked());
        QCOMPARE(set->asString("CC"), QString(""));
        QTest::keyClick(m_test.get(), Qt::Key_F1);
        QCOMPARE(answer(0)->fontColour(), QColor(255, 0, 0));
        m_test->OkBtnClick();
    });
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit prohlížení otázek ?"});
}

void TstTestDlg::browsingShowAnswerNow()
{
    TDataSet* set = makeSet({{1, 1, "1010", 1}, {2, 1, "0100", 2}});
    run(
        tmBrowse, 0, set, 0,
        [&] {
            for (TWrapCheckBox* box : answers())
                QVERIFY(!box->isEnabled());
            QVERIFY(answer(0)->isChecked());
            QVERIFY(answer(2)->isChecked());
            QCOMPARE(answer(2)->fontColour(), QColor(255, 0, 0));
            QTest::keyClick(m_test.get(), Qt::Key_C);
            QVERIFY(answer(2)->isChecked());
            m_test->NextBtnClick();
            QVERIFY(answer(1)->isChecked());
            QVERIFY(!answer(0)->isChecked());
            QCOMPARE(set->asString("CC"), QString(""));
            m_test->OkBtnClick();
        },
        true);
}

void TstTestDlg::fewerAnswersHideBoxes()
{
    TQuery* q = DM->QTmp;
    q->close();
    q->clearSql();
    q->addLine("DELETE FROM ODPOVED WHERE ID_OTAZKA=5 AND CHAR_ODP IN ('c','d')");
    q->execSql();
    TDataSet* set = makeSet({{5, 1, "0100", 1}, {6, 1, "0100", 1}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(!answer(0)->isHidden());
        QVERIFY2(answer(0)->width() > 500, qPrintable(QString::number(answer(0)->width())));
        QVERIFY(!answer(1)->isHidden());
        QVERIFY(answer(2)->isHidden());
        QVERIFY(answer(3)->isHidden());
        QVERIFY(answer(0)->caption().startsWith("a)  "));
        QVERIFY(answer(1)->caption().startsWith("b)  Druhá možnost"));
        QTest::keyClick(m_test.get(), Qt::Key_D);
        QCOMPARE(set->asString("CC"), QString(""));
        m_test->NextBtnClick();
        QVERIFY(!answer(3)->isHidden());
        QVERIFY(answer(3)->caption().startsWith("d)  Čtvrtá"));
        // The boxes stand one below the other, each as tall as its wrapped text needs.
        for (int k = 1; k < 4; ++k)
            QCOMPARE(answer(k)->y(), answer(k - 1)->y() + answer(k - 1)->height());
        TWrapCheckBox* b = answer(1);
        // The texts wrap within the boxes' width, not within a viewport not yet laid out.
        QVERIFY2(b->width() > 500, qPrintable(QString::number(b->width())));
        QVERIFY(question()->width() > 250);
        QCOMPARE(b->height(), b->neededHeight(b->width()) + 10);
        QVERIFY(b->neededHeight(120) > b->neededHeight(b->width()));
        QVERIFY(question()->caption().startsWith(" Otázka 6 Druhý řádek"));
        m_test->OkBtnClick();
    });
}

void TstTestDlg::shortPatternTicks()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1, "01"}, {2, 1, "0100", 2, ""}});
    run(tmHints, 0, set, 0, [&] {
        QVERIFY(!answer(0)->isChecked());
        QVERIFY(answer(1)->isChecked());
        QVERIFY(!answer(2)->isChecked());
        QCOMPARE(m_test->tickedCount(), 1);
        m_test->NextBtnClick();
        for (TWrapCheckBox* box : answers())
            QVERIFY(!box->isChecked());
        m_test->OkBtnClick();
    });
}

void TstTestDlg::emptyQuestionSet()
{
    for (int mode : {int(tmBrowse), int(tmPractice), int(tmLive)}) {
        TDataSet* set = makeSet({});
        m_systemTexts.clear();
        run(mode, 1, set, 1, [&] {
            QCOMPARE(label("QuestionCount")->text(), QString("Celkový počet otázek 0"));
            QCOMPARE(label("NotReadyQuestion")->text(), QString("Nezodpovězených otázek 0"));
            QCOMPARE(label("QuestinNo")->text(), QString("Otázka číslo 0 "));
            for (int key :
                 {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home, Qt::Key_A, Qt::Key_F1})
                QTest::keyClick(m_test.get(), Qt::Key(key));
            QTest::keyClick(m_test.get(), Qt::Key_PageDown, Qt::ControlModifier);
            m_test->NextBtnClick();
            for (TWrapCheckBox* box : answers())
                QVERIFY(box->isHidden());
            m_test->Timer1Timer();
            m_test->OkBtnClick();
        });
        QVERIFY(!m_leftOpen);
        QCOMPARE(m_systemTexts.size(), 1);
    }
    QVERIFY(m_results.isEmpty());
    QCOMPARE(count("SELECT * FROM STATIS"), 0);
    QCOMPARE(count("SELECT * FROM ZAKTEST"), 0);
}

void TstTestDlg::confirmationRefusedKeepsRun()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}});
    m_systemAnswer = [](const QString&, bool) { return false; };
    run(tmLive, 1, set, 0, [&] {
        QTest::keyClick(m_test.get(), Qt::Key_A);
        m_test->Timer1Timer();
        QTest::keyClick(m_test.get(), Qt::Key_Escape);
        QVERIFY(m_test->isVisible());
        QCOMPARE(set->recordCount(), 2);
        QCOMPARE(m_test->unansweredCount(), 1);
        QVERIFY(m_info->isVisible());
        QVERIFY(!part<QWidget>(m_info.get(), "Panel2")->isHidden());
        m_test->abandonModalRun();
    });
    QCOMPARE(m_systemTexts, QStringList{"Opravdu chcete ukončit test ?"});
    QCOMPARE(count("SELECT * FROM STATIS"), 0);
    QCOMPARE(count("SELECT * FROM ZAKODP"), 0);
}

void TstTestDlg::closeBeforeTimeStopsCountdown()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}});
    run(tmPractice, 0, set, 2, [&] {
        m_test->Timer1Timer();
        QVERIFY(m_info->isTicking());
        m_now = m_now.addSecs(30);
        m_info->Timer1Timer();
        QCOMPARE(panelLabel("Label8")->text(), QString("Do konce testu zbývá 1:30"));
        m_test->OkBtnClick();
    });
    QVERIFY(!m_info->isTicking());
    QVERIFY(!m_info->isVisible());
    const int shown = m_systemTexts.size();
    m_now = m_now.addSecs(600);
    QTest::qWait(50);
    QVERIFY(!m_test->timedOut());
    QCOMPARE(m_systemTexts.size(), shown);
}

// A timed practice test closed early, then more runs: "Info" pressed before the first tick of the
// new run shows a panel that knows nothing of the earlier one; an untimed run is not ended, and a
// timed one counts down from its own start.
void TstTestDlg::infoBeforeFirstTickKnowsOnlyThisRun()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}});
    run(tmPractice, 0, set, 1, [&] {
        m_test->Timer1Timer();
        QVERIFY(!part<QWidget>(m_info.get(), "Panel3")->isHidden());
        m_test->OkBtnClick();
    });
    QVERIFY(!m_leftOpen);
    m_now = m_now.addSecs(120);
    const int shown = m_systemTexts.size();

    set = makeSet({{1, 1, "1000", 1}, {2, 1, "0100", 2}});
    run(tmLive, 0, set, 0, [&] {
        m_test->InfoBtnClick();
        QVERIFY(m_info->isVisible());
        QVERIFY(part<QWidget>(m_info.get(), "Panel3")->isHidden());
        QVERIFY(!part<QWidget>(m_info.get(), "Panel2")->isHidden());
        m_info->Timer1Timer();
        QCoreApplication::processEvents();
        QVERIFY(m_test->isVisible());
        QVERIFY(!m_test->timedOut());
        m_test->abandonModalRun();
    });
    QCOMPARE(m_systemTexts.size(), shown);
    QVERIFY(m_results.isEmpty());
    QCOMPARE(count("SELECT * FROM STATIS"), 0);

    m_now = m_now.addSecs(300);
    set = makeSet({{1, 1, "1000", 1}});
    run(tmPractice, 0, set, 2, [&] {
        m_test->InfoBtnClick();
        m_info->Timer1Timer();
        QCoreApplication::processEvents();
        QVERIFY(m_test->isVisible());
        QVERIFY(!m_test->timedOut());
        m_test->Timer1Timer();
        QVERIFY(!part<QWidget>(m_info.get(), "Panel3")->isHidden());
        QCOMPARE(panelLabel("Label6")->text(), QString("10:07:00"));
        m_now = m_now.addSecs(30);
        m_info->Timer1Timer();
        QCOMPARE(panelLabel("Label8")->text(), QString("Do konce testu zbývá 1:30"));
        m_test->abandonModalRun();
    });
    QCOMPARE(m_systemTexts.size(), shown);
}

void TstTestDlg::tickerWrapsAround()
{
    MessageList = QStringList{"Jedna", "Dvě", "Tři"};
    m_info->setTimeLimit(0);
    m_info->ShowPanel();
    QVERIFY(!part<QWidget>(m_info.get(), "Panel2")->isHidden());
    QVERIFY(part<QWidget>(m_info.get(), "Panel3")->isHidden());
    QCOMPARE(panelLabel("Label1")->text(), QString("Jedna"));
    QCOMPARE(panelLabel("Label1")->width(), 200);
    QCOMPARE(panelLabel("Label1")->y(), 90);
    QCOMPARE(part<QScrollArea>(m_info.get(), "ScrollBox1")->height(), 97);
    const int start = m_info->scrollPosition();
    m_info->Timer1Timer();
    QCOMPARE(m_info->scrollPosition(), start + 2);
    QStringList seen{panelLabel("Label1")->text()};
    for (int i = 0; i < 2000 && seen.size() < 5; ++i) {
        m_info->Timer1Timer();
        if (panelLabel("Label1")->text() != seen.last()) {
            seen << panelLabel("Label1")->text();
            QCOMPARE(m_info->scrollPosition(), 1);
        }
    }
    QCOMPARE(seen, (QStringList{"Jedna", "Dvě", "Tři", "Jedna", "Dvě"}));
    // Activating the panel again starts with the first message.
    m_info->ShowPanel();
    QCOMPARE(panelLabel("Label1")->text(), QString("Jedna"));
    QCOMPARE(m_info->messageIndex(), quint16(0));
    m_info->ClosePanel();
    QVERIFY(!m_info->isTicking());
}

void TstTestDlg::emptyTickerList()
{
    MessageList.clear();
    m_info->setTimeLimit(0);
    m_info->ShowPanel();
    QCOMPARE(panelLabel("Label1")->text(), QString());
    for (int i = 0; i < 200; ++i)
        m_info->Timer1Timer();
    QCOMPARE(panelLabel("Label1")->text(), QString());
    QCOMPARE(m_info->messageIndex(), quint16(0));
    m_info->ClosePanel();
}

void TstTestDlg::windowPlacement()
{
    TDataSet* set = makeSet({{1, 1, "1000", 1}});
    run(tmBrowse, 0, set, 0, [&] {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(m_test->size(), QSize(760, 560));
        // The panel appears by itself a second after the window became active.
        QVERIFY(part<QTimer>(m_test.get(), "Timer1")->isSingleShot());
        QCOMPARE(part<QTimer>(m_test.get(), "Timer1")->interval(), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(m_info->isVisible(), 3000);
        QVERIFY(m_test->activated());
        QVERIFY(!part<QTimer>(m_test.get(), "Timer1")->isActive());
        QVERIFY(!part<QWidget>(m_info.get(), "Panel2")->isHidden());
        QCOMPARE(m_test->x(), screen.x() + (screen.width() - 760 - m_info->width() + 120) / 2);
        QCOMPARE(m_test->y(), screen.y() + (screen.height() - 560) / 2);
        m_test->Timer1Timer();
        QCOMPARE(m_info->x(), m_test->x() + 760 - 120);
        QCOMPARE(m_info->y(), m_test->y() + 560 - m_info->height() - 100);
        QCOMPARE(m_info->size(), QSize(260, 300));
        QCOMPARE(label("ZakName")->text(), QString(" Autoškola Správce"));
        QCOMPARE(label("TestNameLb")->text(), QString("Ostré testy - Test číslo 1"));
        QCOMPARE(label("PointForQuestion")->text(), QString("1 body"));
        m_test->OkBtnClick();
    });
}

QTEST_MAIN(TstTestDlg)
#include "tst_testdlg.moc"
