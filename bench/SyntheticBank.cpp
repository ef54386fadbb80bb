// Synthetic large database.
#include "SyntheticBank.h"

#include "Builder.h"
#include "data/Engine.h"
#include "data/MessageCipher.h"

#include <QDateTime>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
// Tests of 25 answers: the busiest pupil's first, one per report, then the others' in turn over
// the other pupils; about one answer in five wrong, more often in every seventh question.
void addKeptAnswers(const std::unique_ptr<QSqlQuery>& insert, const TSyntheticSize& size, QString& problem)
{
    const int busiestAnswers = size.reportsOfBusiestPupil * 25;
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    QVariantList pupils, questions, right, times, modes;
    auto flush = [&] {
        insert->addBindValue(pupils);
        insert->addBindValue(questions);
        insert->addBindValue(right);
        insert->addBindValue(times);
        insert->addBindValue(modes);
        if (!insert->execBatch() && problem.isEmpty())
            problem = insert->lastError().text();
        for (QVariantList* l : {&pupils, &questions, &right, &times, &modes})
            l->clear();
    };
    for (int a = 0; a < size.keptAnswers && problem.isEmpty(); ++a) {
        const int test = a / 25;
        const int who = a < busiestAnswers ? SyntheticBank::BusiestPupil
                                           : 2 + ((a - busiestAnswers) / 25) % std::max(1, size.pupils - 1);
        const int question = 1 + int((qint64(test) * 7919 + (a % 25) * 4001) % size.questions);
        pupils << who;
        questions << question;
        right << (((a * 7) % 10) < (question % 7 == 0 ? 5 : 8) ? 1 : 0);
        times << start.addSecs(qint64(test % 40000) * 600).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        modes << 3 + test % 3;
        if (pupils.size() == 10000)
            flush();
    }
    if (!pupils.isEmpty())
        flush();
}
} // namespace

namespace SyntheticBank {

QString build(const QString& dbDir, const TSyntheticSize& size)
{
    const TBuildResult empty = Builder::buildEmpty(dbDir);
    if (!empty.ok)
        return empty.problems.join(u'\n');
    const QString conn = QStringLiteral("synthetic-") + QUuid::createUuid().toString(QUuid::Id128);
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(QDir(dbDir).filePath(QString::fromLatin1(SqliteFileName)));
        if (!db.open())
            return db.lastError().text();
        QSqlQuery q(db);
        auto exec = [&](const QString& sql) {
            if (problem.isEmpty() && !q.exec(sql))
                problem = q.lastError().text() + u'\n' + sql;
        };
        auto prepared = [&](const QString& sql) {
            auto p = std::make_unique<QSqlQuery>(db);
            if (!p->prepare(sql) && problem.isEmpty())
                problem = p->lastError().text();
            return p;
        };
        db.transaction();
        for (int g = 1; g <= size.groups; ++g)
            exec(QStringLiteral("INSERT INTO OKRUHOT (ID_OKRUH, OKRUH, PORADI, Pocet, PocetDef) VALUES (%1, 'Skupina %1', %1, 4, %2)")
                     .arg(g)
                     .arg(g == 1 ? 10 : 3));
        const char* categories[] = {"A", "B", "C", "D", "T"};
        for (int c = 0; c < 5; ++c)
            exec(QStringLiteral("INSERT INTO RP (RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP) VALUES "
                                "('%1', 'Skupina %1', 0, %2, 43, 7, '%1')")
                     .arg(QLatin1String(categories[c]))
                     .arg(c + 1));
        auto question = prepared(QStringLiteral(
            "INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, OTAZKA, ID_PICT, AA, BB, CC, SKILL_LEVEL) VALUES (?,?,?,0,?,?,'',?)"));
        auto answer = prepared(QStringLiteral("INSERT INTO ODPOVED (ID_OTAZKA, CHAR_ODP, TEXT_ODP) VALUES (?,?,?)"));
        const QString patterns[] = {QStringLiteral("1000"), QStringLiteral("0100"), QStringLiteral("0010"),
                                    QStringLiteral("0001")};
        for (int id = 1; id <= size.questions && problem.isEmpty(); ++id) {
            question->addBindValue(id);
            question->addBindValue(1 + id % size.groups);
            question->addBindValue(QStringLiteral("Syntetická otázka číslo %1,\nkterá má dva řádky textu?").arg(id));
            question->addBindValue(patterns[id % 4]);
            question->addBindValue(1 + id % 4);
            question->addBindValue(QStringLiteral("1111111111"));
            if (!question->exec())
                problem = question->lastError().text();
            for (int a = 0; a < 4; ++a) {
                answer->addBindValue(id);
                answer->addBindValue(QString(QChar(u'a' + a)));
                answer->addBindValue(QStringLiteral("Odpověď %1 k otázce %2").arg(QChar(u'a' + a)).arg(id));
                if (!answer->exec())
                    problem = answer->lastError().text();
            }
        }
        exec(QStringLiteral("INSERT INTO TYPTESTU (ID_TYPTEST, Popis) VALUES (1, 'Syntetické testy')"));
        for (int t = 1; t <= 20; ++t) {
            exec(QStringLiteral("INSERT INTO TEST (ID_TEST, ID_TYPTEST, PORADI, SKILL_LEVEL) VALUES (%1, 1, %1, '1111111111')")
                     .arg(t));
            for (int k = 0; k < 25; ++k)
                exec(QStringLiteral("INSERT INTO TESTOTAZ (ID_TEST, ID_OTAZKA, PORADI) VALUES (%1, %2, %3)")
                         .arg(t)
                         .arg(1 + (t * 997 + k * 4001) % size.questions)
                         .arg(k + 1));
        }
        exec(QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('VERSION', 'syntetická')"));
        exec(QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('TIMEOUT', '30')"));
        exec(QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('TESTTIMEOUT', '30')"));
        {
            auto msg = prepared(QStringLiteral("INSERT INTO MESSAGE (Message) VALUES (?)"));
            msg->addBindValue(MessageCipher::encipherLines({QStringLiteral("Zpráva jedna"), QStringLiteral("Zpráva dvě")}));
            if (!msg->exec() && problem.isEmpty())
                problem = msg->lastError().text();
        }
        auto pupil = prepared(QStringLiteral(
            "INSERT INTO ZAK (ID_ZAK, RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) VALUES (?,?,?,?,?,'',?,?,?)"));
        for (int z = 1; z <= size.pupils && problem.isEmpty(); ++z) {
            pupil->addBindValue(z);
            pupil->addBindValue(z == 1 ? QStringLiteral("admin") : QString::number(8000000000LL + z));
            pupil->addBindValue(QStringLiteral("heslo"));
            pupil->addBindValue(QStringLiteral("Příjmení%1").arg(z % 977, 3, 10, QChar(u'0')));
            pupil->addBindValue(QStringLiteral("Jméno%1").arg(z));
            pupil->addBindValue(QLatin1String(categories[z % 5]));
            pupil->addBindValue(QStringLiteral("Ulice %1, Praha").arg(z));
            pupil->addBindValue(QStringLiteral("+420 600 %1").arg(z, 6, 10, QChar(u'0')));
            if (!pupil->exec())
                problem = pupil->lastError().text();
        }
        auto report = prepared(QStringLiteral(
            "INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) VALUES (?,?,?,50,?,?,?)"));
        const QString reportText = QStringLiteral(" Jméno Příjmení\r\n   \r\n   Oprávnění : B\r\n") +
                                   QStringLiteral("      %1       a        a      2\r\n").repeated(25) +
                                   QStringLiteral("               Celkem :  45     50\r\n");
        for (int r = 0; r < size.reports && problem.isEmpty(); ++r) {
            const int who = r < size.reportsOfBusiestPupil ? BusiestPupil : 2 + (r % std::max(1, size.pupils - 1));
            report->addBindValue(who);
            report->addBindValue(r % 21);
            report->addBindValue(QStringLiteral("2026-%1-%2 10:%3:00")
                                     .arg(1 + r % 12, 2, 10, QChar(u'0'))
                                     .arg(1 + r % 28, 2, 10, QChar(u'0'))
                                     .arg(r % 60, 2, 10, QChar(u'0')));
            report->addBindValue(30 + r % 21);
            report->addBindValue(reportText);
            report->addBindValue(QStringLiteral("Ostré testy - Test číslo %1").arg(1 + r % 20));
            if (!report->exec())
                problem = report->lastError().text();
        }
        auto wrong = prepared(QStringLiteral("INSERT INTO ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) VALUES (?,?,'1000')"));
        for (int z = 1; z <= size.pupils && problem.isEmpty(); ++z)
            for (int k = 0; k < size.wrongAnswersPerPupil; ++k) {
                wrong->addBindValue(z);
                wrong->addBindValue(1 + (z * 31 + k * 7919) % size.questions);
                if (!wrong->exec())
                    problem = wrong->lastError().text();
            }
        addKeptAnswers(prepared(QStringLiteral(
                           "INSERT INTO ZAKVYSL (ID_ZAK, ID_OTAZKA, SPRAVNE, DATETIME, REZIM) VALUES (?,?,?,?,?)")),
                       size, problem);
        if (problem.isEmpty() && !db.commit())
            problem = db.lastError().text();
        if (!problem.isEmpty())
            db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return problem;
}

} // namespace SyntheticBank
