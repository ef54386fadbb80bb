// Shared set-up of the selection dialog tests: a small known question bank, the common dialogs
// answered by the test, the test window replaced by a recorder, and the program's draw written
// out once more so that expected draws are computed independently of the code under test.
#pragma once

#include "TestDb.h"
#include "data/Clock.h"
#include "data/Globals.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

struct TRecordedRun
{
    TTestDlg::RunTestArgs args;
    QVector<qint64> ids; // the question ids of the set, in its order, when the test window got it
};

class TSelectionFixture
{
public:
    // Known moment of the draw: the generator is seeded with the milliseconds since midnight.
    static constexpr quint32 Seed = ((10u * 60u + 20u) * 60u + 30u) * 1000u + 456u;

    TSelectionFixture() : db(false)
    {
        dm = &db.open();
        system = std::make_unique<TSystemDlg>();
        wait = std::make_unique<TWaitDlg>();
        test = std::make_unique<TTestDlg>();
        TSystemDlg::setAutoAnswer([this](const QString& text, bool okOnly) {
            messages << text;
            okOnlyFlags << okOnly;
            return true;
        });
        SetGeneralErrorSink([this](const QString& text) { errors << text; });
        TTestDlg::setRunTestHook([this](const TTestDlg::RunTestArgs& a) {
            TRecordedRun run{a, {}};
            for (int row = 0; a.questionSet && row < a.questionSet->recordCount(); ++row)
                run.ids << a.questionSet->valueAt(row, QStringLiteral("ID_OTAZKA")).toLongLong();
            runs << run;
        });
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 8), QTime(10, 20, 30, 456), Qt::UTC); });
        TSession::instance().signOut();
        db.signIn(1);
        changeSignedIn([&](TSignedInPupil& p) { p.SkillLevel = 2; });
        loadBank();
    }

    ~TSelectionFixture()
    {
        TSystemDlg::setAutoAnswer({});
        SetGeneralErrorSink({});
        TTestDlg::setRunTestHook({});
        Clock::setSource({});
    }

    void exec(const QString& sql)
    {
        dm->QTmp->close();
        dm->QTmp->clearSql();
        dm->QTmp->addLine(sql);
        dm->QTmp->execSql();
    }

    QVariant scalar(const QString& sql)
    {
        dm->QTmp->close();
        dm->QTmp->clearSql();
        dm->QTmp->addLine(sql);
        dm->QTmp->open();
        return dm->QTmp->isEmpty() ? QVariant() : dm->QTmp->valueAt(0, dm->QTmp->fieldNames().value(0));
    }

    // The topic-group cursor stays open for the life of the program; the tests change its table.
    void reloadGroups()
    {
        dm->QSelectQuest->close();
        dm->QSelectQuest->open();
    }

    // Groups in display order (PORADI): 7 "Pravidla" (10 questions at every level), 2 "Značky"
    // (6 questions, 3 of them at level 2), 5 "Situace" (4 questions). Test types 1 and 2.
    void loadBank()
    {
        exec(QStringLiteral("INSERT INTO OKRUHOT (ID_OKRUH, OKRUH, PORADI, Pocet, PocetDef) VALUES "
                            "(7, 'Pravidla', 1, 2, 5), (2, 'Značky', 2, 10, 1), (5, 'Situace', 3, 0, 0)"));
        for (int i = 1; i <= 10; ++i)
            exec(QStringLiteral(
                     "INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, SKILL_LEVEL) VALUES (%1, 7, '1111111111')")
                     .arg(100 + i));
        for (int i = 1; i <= 6; ++i)
            exec(QStringLiteral("INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, SKILL_LEVEL) VALUES (%1, 2, '%2')")
                     .arg(200 + i)
                     .arg(i % 2 ? QStringLiteral("0100000000") : QStringLiteral("1000000000")));
        for (int i = 1; i <= 4; ++i)
            exec(QStringLiteral(
                     "INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, SKILL_LEVEL) VALUES (%1, 5, '0100000000')")
                     .arg(300 + i));
        exec(QStringLiteral("INSERT INTO TYPTESTU (ID_TYPTEST, Popis) VALUES (0, 'Nepoužitý'), (1, 'Typ B'), "
                            "(2, 'Typ C')"));
        // type 1: tests numbered 1 to 3 at every level and test 4 only at level 5; type 2: one test
        exec(QStringLiteral("INSERT INTO TEST (ID_TEST, ID_TYPTEST, PORADI, SKILL_LEVEL) VALUES "
                            "(11, 1, 1, '1111111111'), (12, 1, 2, '1111111111'), (13, 1, 3, '1111111111'), "
                            "(14, 1, 4, '0000100000'), (21, 2, 1, '1111111111')"));
        exec(QStringLiteral("INSERT INTO TESTOTAZ (ID_TEST, ID_OTAZKA, PORADI) VALUES "
                            "(13, 105, 2), (13, 201, 3), (13, 110, 1), (21, 301, 1)"));
        exec(QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('TIMEOUT', '30'), "
                            "('TESTTIMEOUT', '45')"));
        reloadGroups();
    }

    // The ids bound to the statement of the drawn test, in drawn order.
    QVector<qint64> drawnIds() const
    {
        static const QRegularExpression key(QStringLiteral(R"re("(\d+)":)re"));
        QVector<qint64> ids;
        const QString list = dm->QTestType3->param(QStringLiteral("ID_LIST")).toString();
        for (const QRegularExpressionMatch& m : key.globalMatch(list))
            ids << m.captured(1).toLongLong();
        return ids;
    }

    // The question ids of one group at the pupil's level, as the bank was loaded (ascending).
    QVector<qint64> levelIds(int group)
    {
        switch (group) {
        case 7:
            return {101, 102, 103, 104, 105, 106, 107, 108, 109, 110};
        case 2:
            return SignedInPupil.SkillLevel == 2 ? QVector<qint64>{201, 203, 205}
                                                 : QVector<qint64>{202, 204, 206};
        case 5:
            return SignedInPupil.SkillLevel == 2 ? QVector<qint64>{301, 302, 303, 304} : QVector<qint64>{};
        default:
            return {};
        }
    }

    // Runs the dialog's entry; `whileOpen` runs once the dialog is on screen, and a dialog still
    // open afterwards is closed with Storno.
    static void whileOpen(QDialog* dlg, const std::function<void()>& body, const std::function<void()>& entry)
    {
        QTimer::singleShot(0, dlg, [dlg, body] {
            body();
            if (dlg->isVisible()) dlg->reject();
        });
        entry();
    }

    TTestDb db;
    TDM* dm = nullptr;
    std::unique_ptr<TSystemDlg> system;
    std::unique_ptr<TWaitDlg> wait;
    std::unique_ptr<TTestDlg> test;
    QStringList messages;
    QVector<bool> okOnlyFlags;
    QStringList errors;
    QVector<TRecordedRun> runs;
};

// The program's generator and the draw without repetition, written out for the tests.
struct TReferenceDraw
{
    quint32 state = TSelectionFixture::Seed;
    int index(int n)
    {
        state = state * 134775813u + 1u;
        return int((quint64(state) * quint32(n)) >> 32);
    }
    void draw(QVector<qint64> candidates, int count, QVector<qint64>& drawn)
    {
        for (int k = 0; k < count && !candidates.isEmpty(); ++k)
            drawn.append(candidates.takeAt(index(int(candidates.size()))));
    }
};

