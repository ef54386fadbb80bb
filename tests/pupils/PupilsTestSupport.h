// What the pupils' window tests share: the windows on a fresh database, recorded messages,
// driving modal windows, and a second station as a real process of the same test binary.
#pragma once

#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Globals.h"
#include "data/SignInLock.h"
#include "dialogs/SystemDlg.h"
#include "pupils/LogonDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace PupilsTest {

// Every message of the common dialog and of the general error display, in order. Questions
// are answered from `answers` (then "Ne"); messages are confirmed with "Ok" (or Esc, when
// `confirmMessages` is false).
struct Messages
{
    QStringList texts;
    QStringList errors;
    QList<bool> answers;
    bool confirmMessages = true;
    Messages()
    {
        TSystemDlg::setAutoAnswer([this](const QString& text, bool okOnly) {
            texts.append(text);
            if (okOnly)
                return confirmMessages;
            return answers.isEmpty() ? false : answers.takeFirst();
        });
        SetGeneralErrorSink([this](const QString& text) { errors.append(text); });
    }
    ~Messages()
    {
        TSystemDlg::setAutoAnswer({});
        SetGeneralErrorSink({});
    }
};

// The data module on a fresh sample database and the windows of the pupils.
struct Station
{
    std::unique_ptr<TTestDb> db = std::make_unique<TTestDb>();
    std::unique_ptr<TSystemDlg> system;
    std::unique_ptr<TZakDlg> zak;
    std::unique_ptr<TLogonDlg> logon;
    std::unique_ptr<TZakListDlg> zakList;
    Station()
    {
        TSession::instance().signOut();
        db->open();
        zak = std::make_unique<TZakDlg>();
        logon = std::make_unique<TLogonDlg>();
        zakList = std::make_unique<TZakListDlg>();
        system = std::make_unique<TSystemDlg>();
    }
    ~Station()
    {
        zakList.reset();
        logon.reset();
        zak.reset();
        system.reset();
        db.reset();
        TSession::instance().signOut();
    }
    TSignInLock& lock() const { return DM->engine().signInLock(); }
};

// Runs a statement on the test database.
inline void exec(const QString& sql)
{
    DM->QTmp->close();
    DM->QTmp->clearSql();
    DM->QTmp->addLine(sql);
    DM->QTmp->execSql();
}

// One value of the first row of a select, or an invalid value when there is no row.
inline QVariant scalar(const QString& sql)
{
    DM->QTmp->close();
    DM->QTmp->clearSql();
    DM->QTmp->addLine(sql);
    DM->QTmp->open();
    if (DM->QTmp->isEmpty())
        return QVariant();
    return DM->QTmp->value(DM->QTmp->fieldNames().first());
}

inline int addPupil(const QString& rc, const QString& password, const QString& surname,
                    const QString& firstName, const QString& category = QStringLiteral("B"))
{
    auto q = [](const QString& s) { return QString(s).replace(u'\'', QStringLiteral("''")); };
    exec(QStringLiteral("insert into ZAK (RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) values "
                        "('%1', '%2', '%3', '%4', '', '%5', '', '')")
             .arg(q(rc), q(password), q(surname), q(firstName), q(category)));
    return scalar(QStringLiteral("select ID_ZAK from ZAK where RC='%1'").arg(q(rc))).toInt();
}

// Types text as key presses, letters with diacritics included.
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Clicks a painted button with the mouse. The button knows its shape only once it has been
// painted, so the click waits for that first (a busy machine paints late).
inline void clickButton(TDsFancyButton* button)
{
    if (!QTest::qWaitFor([button] { return !button->outlineRegion().isEmpty(); }, 5000))
        qWarning("clickButton: %s was not painted within 5 s", qPrintable(button->text()));
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Runs `action` once `window` is the active modal window (a modal window started next).
inline void whenShown(QWidget* target, std::function<void()> action)
{
    QPointer<QWidget> window(target);
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, window, action, tries] {
        if (++*tries > 1000 || !window) {
            timer->deleteLater();
            return;
        }
        if (!window->isVisible() || QApplication::activeModalWidget() != window)
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// Types into the sign-in window and presses `key` there; a window that stayed open is then
// closed with Esc. Returns what Logon returned; `stayedOpen` tells whether Ok kept it open.
inline bool signIn(const QString& rc, const QString& password, bool* stayedOpen = nullptr, int pupilId = -1,
                   Qt::Key key = Qt::Key_Return)
{
    TLogonDlg* dlg = LogonDlg;
    whenShown(dlg, [dlg, rc, password, stayedOpen, key] {
        dlg->Edit1()->clear();
        typeText(dlg->Edit1(), rc);
        typeText(dlg->Edit2(), password);
        QTest::keyClick(dlg->Edit2(), key);
        const bool open = dlg->isVisible();
        if (stayedOpen)
            *stayedOpen = open;
        if (open)
            QTest::keyClick(dlg, Qt::Key_Escape);
    });
    return dlg->Logon(pupilId);
}

// Shows the main window, which asks for the sign-in once it is on screen, and signs pupil 1 in
// there with the password of the test bank (the identification field offers pupil 1 already).
inline void showSignedInAsPupilOne(QWidget& mainWindow)
{
    Messages m;
    whenShown(LogonDlg, [] {
        typeText(LogonDlg->Edit2(), QStringLiteral("ferdano"));
        QTest::keyClick(LogonDlg->Edit2(), Qt::Key_Return);
    });
    mainWindow.show();
    QTRY_COMPARE(SignedInPupil.PupilId, 1);
}

// ---- a second station: this test binary started again with "--station" ----

// Serves commands on standard input: "signin RC PASSWORD" answers "result ID LOCKED MESSAGE"
// (the signed-in pupil, the key held by the lock cursor, the last message or "-"); "quit" ends.
inline int RunStation(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDM::Options o;
    o.programDir = QString::fromLocal8Bit(argv[2]);
    o.tempDir = QString::fromLocal8Bit(argv[3]);
    TDM dm;
    dm.DMCreate(o);
    TZakDlg zak;
    TLogonDlg logon;
    TZakListDlg zakList;
    TSystemDlg system;
    QString last = QStringLiteral("-");
    TSystemDlg::setAutoAnswer([&](const QString& text, bool) {
        last = text;
        return false;
    });
    SetGeneralErrorSink([&](const QString& text) { last = text; });
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList words = QString::fromStdString(line).split(u' ');
        if (words.value(0) == QLatin1String("quit"))
            return 0;
        if (words.value(0) == QLatin1String("signin")) {
            last = QStringLiteral("-");
            logon.Edit1()->setText(words.value(1));
            logon.Edit2()->setText(words.value(2));
            Guarded([&] { logon.OkBtnClick(); });
            const std::optional<int> locked = DM->TZak->lockedKey();
            std::cout << "result " << SignedInPupil.PupilId << ' ' << (locked ? *locked : -1) << ' '
                      << last.toStdString() << std::endl;
        }
    }
    return 0;
}

class StationProcess
{
public:
    explicit StationProcess(const QString& programDir)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--station"), programDir, m_tmp.path()});
        m_started = m_process.waitForStarted(10000) && readLine() == QLatin1String("ready");
    }
    ~StationProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool started() const { return m_started; }
    // Signs in at the station; the answer's words: pupil, locked key, message.
    QStringList signIn(const QString& rc, const QString& password)
    {
        m_process.write(QStringLiteral("signin %1 %2\n").arg(rc, password).toUtf8());
        const QString line = readLine();
        if (!line.startsWith(QLatin1String("result ")))
            return {};
        QStringList parts = line.mid(7).split(u' ');
        const QString pupil = parts.takeFirst(), locked = parts.takeFirst();
        return {pupil, locked, parts.join(u' ')};
    }
    bool quit()
    {
        m_process.write("quit\n");
        return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
    }
    bool kill()
    {
        m_process.kill();
        return m_process.waitForFinished(10000);
    }

private:
    QString readLine()
    {
        QElapsedTimer t;
        t.start();
        while (!m_process.canReadLine() && t.elapsed() < 20000)
            m_process.waitForReadyRead(100);
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    QTemporaryDir m_tmp;
    QProcess m_process;
    bool m_started = false;
};

} // namespace PupilsTest

// The test's main: either the tests, or (with "--station DIR TMP") a second station.
#define PUPILS_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        if (argc >= 4 && qstrcmp(argv[1], "--station") == 0)                                                 \
            return PupilsTest::RunStation(argc, argv);                                                       \
        QApplication app(argc, argv);                                                                        \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
