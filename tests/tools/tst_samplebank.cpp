// The sample bank as a school finds it: exam-shaped groups, valid patterns, enough questions for
// every category, every picture kind, animations, tests and ticker messages.
#include "BankTestUtil.h"
#include "TestDb.h"

#include "pictures/FrameList.h"
#include "data/Globals.h"
#include "data/MessageCipher.h"
#include "pictures/Picture.h"
#include "data/Public.h"

#include <QRegularExpression>
#include <QtTest>

using namespace BankTest;

namespace {

// The size of the complete sample bank.
constexpr int MinimumQuestions = 600;
// Most single-answer questions must not give their right answer away by its length.
constexpr double MostLongestAnswersRight = 0.35;

bool isPattern(const QString& s, int length)
{
    static const QRegularExpression re(QStringLiteral("^[01]*$"));
    return s.size() == length && re.match(s).hasMatch();
}

// Rows of a query as lists of values.
QVector<QVariantList> rows(TSql& sql, const QString& statement, int columns)
{
    QSqlQuery q(sql.db());
    QVector<QVariantList> out;
    if (!q.exec(statement))
        return out;
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < columns; ++i)
            r << q.value(i);
        out << r;
    }
    return out;
}

} // namespace

class TSampleBankTest : public QObject
{
    Q_OBJECT

    TTestDb m_db{TTestDb::Bank::Sample};
    std::unique_ptr<TSql> m_sql;

private slots:
    void initTestCase() { m_sql = std::make_unique<TSql>(m_db.dbDir()); }
    void cleanupTestCase() { m_sql.reset(); }

    void sevenGroupsInExamShape()
    {
        const auto groups = rows(*m_sql,
                                 QStringLiteral("SELECT ID_OKRUH, PocetDef, Pocet, Picture FROM OKRUHOT "
                                                "ORDER BY PORADI"),
                                 4);
        QCOMPARE(groups.size(), 7);
        const int liveCounts[] = {10, 3, 4, 3, 2, 2, 1};
        const int points[] = {2, 1, 2, 4, 1, 2, 1};
        for (int g = 0; g < 7; ++g) {
            QCOMPARE(groups[g][0].toInt(), g + 1);
            QCOMPARE(groups[g][1].toInt(), liveCounts[g]);
            QVERIFY(groups[g][2].toInt() > 0);
            QCOMPARE(Picture::signatureKind(groups[g][3].toByteArray()), Picture::Kind::Jpeg);
            QVERIFY(!QImage::fromData(groups[g][3].toByteArray()).isNull());
            const auto bb = rows(
                *m_sql, QStringLiteral("SELECT DISTINCT BB FROM OTAZKA WHERE ID_OKRUH=%1").arg(g + 1), 1);
            QCOMPARE(bb.size(), 1);
            QCOMPARE(bb[0][0].toInt(), points[g]);
        }
    }

    void groupPicturesShowWholeInQuestionBrowsing()
    {
        const auto groups = rows(*m_sql, QStringLiteral("SELECT ID_OKRUH, Picture FROM OKRUHOT"), 2);
        QVERIFY(!groups.isEmpty());
        const QSize frame = Picture::GroupPictureSize;
        for (const QVariantList& g : groups) {
            const QSize own = Picture::headerSize(g[1].toByteArray());
            QVERIFY2(own.isValid() && own.width() <= frame.width() && own.height() <= frame.height(),
                     qPrintable(QStringLiteral("group %1: %2 x %3")
                                    .arg(g[0].toInt())
                                    .arg(own.width())
                                    .arg(own.height())));
        }
    }

    void everyQuestionHasFourAnswersAndValidPatterns()
    {
        const auto qs = rows(
            *m_sql, QStringLiteral("SELECT ID_OTAZKA, AA, SKILL_LEVEL, ID_OKRUH, ID_PICT FROM OTAZKA"), 5);
        QVERIFY2(qs.size() >= 250, qPrintable(QString::number(qs.size())));
        for (const QVariantList& q : qs) {
            const QString id = q[0].toString();
            QVERIFY2(isPattern(q[1].toString(), 4) && q[1].toString().contains(u'1'), qPrintable(id));
            QVERIFY2(isPattern(q[2].toString(), 10), qPrintable(id));
            QCOMPARE(m_sql->value(QStringLiteral("SELECT COUNT(*) FROM ODPOVED WHERE ID_OTAZKA=%1").arg(id))
                         .toInt(),
                     4);
            QCOMPARE(m_sql
                         ->value(QStringLiteral("SELECT COUNT(*) FROM ODPOVED WHERE ID_OTAZKA=%1 AND "
                                                "TRIM(TEXT_ODP)=''")
                                     .arg(id))
                         .toInt(),
                     0);
            if (q[3].toInt() == 4) // every traffic situation is shown
                QVERIFY2(
                    m_sql->value(
                             QStringLiteral("SELECT COUNT(*) FROM BMP WHERE ID_PICT=%1").arg(q[4].toInt()))
                            .toInt() == 1,
                    qPrintable(id));
        }
    }

    void allLicenceCategoriesWithTheirLevelsAndNoMandatoryGroup()
    {
        const QMap<QString, int> levels{{"AM", 1},  {"A1", 1}, {"A2", 1},  {"A", 1}, {"B1", 2}, {"B", 2},
                                        {"BE", 2},  {"C1", 3}, {"C1E", 3}, {"C", 3}, {"CE", 3}, {"D1", 4},
                                        {"D1E", 4}, {"D", 4},  {"DE", 4},  {"T", 5}};
        QMap<QString, int> found;
        for (const QVariantList& c :
             rows(*m_sql, QStringLiteral("SELECT RP, SKILL_LEVEL, MINIMUM, FLAG FROM RP"), 4)) {
            found.insert(c[0].toString().trimmed(), c[1].toInt());
            QCOMPARE(c[2].toInt(), 43);
            // the exam passes on points alone: no topic group is mandatory
            QVERIFY2(
                m_sql->value(
                         QStringLiteral("SELECT COUNT(*) FROM OKRUHOT WHERE ID_OKRUH=%1").arg(c[3].toInt()))
                        .toInt() == 0,
                qPrintable(c[0].toString()));
        }
        QCOMPARE(found, levels);
    }

    void enoughQuestionsEachWithAnExplanation()
    {
        const int questions = m_sql->value(QStringLiteral("SELECT COUNT(*) FROM OTAZKA")).toInt();
        QVERIFY2(questions >= MinimumQuestions, qPrintable(QString::number(questions)));
        const auto missing = rows(*m_sql,
                                  QStringLiteral("SELECT ID_OTAZKA FROM OTAZKA WHERE ID_OTAZKA NOT IN "
                                                 "(SELECT ID_OTAZKA FROM VYSVETLENI WHERE TRIM(TEXT)<>'')"),
                                  1);
        QStringList ids;
        for (const QVariantList& m : missing)
            ids << m[0].toString();
        QVERIFY2(ids.isEmpty(), qPrintable(QStringLiteral("without explanation: ") + ids.join(u' ')));
    }

    void rightAnswerIsSeldomTheLongest()
    {
        QMap<int, QStringList> answers;
        for (const QVariantList& a :
             rows(*m_sql,
                  QStringLiteral("SELECT ID_OTAZKA, TEXT_ODP FROM ODPOVED ORDER BY ID_OTAZKA, CHAR_ODP"), 2))
            answers[a[0].toInt()] << a[1].toString().trimmed();
        int single = 0, longest = 0;
        for (const QVariantList& q : rows(*m_sql, QStringLiteral("SELECT ID_OTAZKA, AA FROM OTAZKA"), 2)) {
            const QString aa = q[1].toString();
            if (aa.count(u'1') != 1)
                continue;
            ++single;
            const QStringList texts = answers.value(q[0].toInt());
            const qsizetype right = aa.indexOf(u'1');
            bool isLongest = right < texts.size();
            for (qsizetype i = 0; isLongest && i < texts.size(); ++i)
                isLongest = i == right || texts[i].size() < texts[right].size();
            longest += isLongest ? 1 : 0;
        }
        QVERIFY(single > 0);
        QVERIFY2(longest <= MostLongestAnswersRight * single,
                 qPrintable(QStringLiteral("%1 of %2").arg(longest).arg(single)));
    }

    void liveTestListOffersStoredTestsAtEveryLevel()
    {
        // what the live-test window lists: the stored tests of the first test type at the level
        TDM& dm = m_db.open();
        dm.QSelectTestType->close();
        dm.QSelectTestType->setParam(QStringLiteral("ID_TYPTEST"), 0);
        dm.QSelectTestType->open();
        QVERIFY(!dm.QSelectTestType->isEmpty());
        dm.QSelectTestType->first();
        const int type = dm.QSelectTestType->asInteger(QStringLiteral("ID_TYPTEST"));
        for (const QVariantList& c : rows(*m_sql, QStringLiteral("SELECT RP, SKILL_LEVEL FROM RP"), 2)) {
            dm.QSelectTest->close();
            dm.QSelectTest->setParam(QStringLiteral("ID_TYPTEST"), type);
            dm.QSelectTest->setParam(QStringLiteral("SKILL_LEVEL"), SkillLevelPattern(c[1].toInt()));
            dm.QSelectTest->open();
            QVERIFY2(dm.QSelectTest->recordCount() >= 3, qPrintable(c[0].toString()));
        }
        m_db.closeDm();
    }

    void liveTestIs25QuestionsFor50PointsAtEveryLevel()
    {
        const auto cats =
            rows(*m_sql, QStringLiteral("SELECT RP, SKILL_LEVEL, MINIMUM, FLAG, ID_AVI FROM RP"), 5);
        for (const QVariantList& c : cats) {
            const int level = c[1].toInt();
            QString like(9, u'_');
            like.insert(level - 1, u'1');
            int questions = 0, points = 0;
            for (const QVariantList& g :
                 rows(*m_sql, QStringLiteral("SELECT ID_OKRUH, PocetDef FROM OKRUHOT"), 2)) {
                const int available =
                    m_sql
                        ->value(QStringLiteral("SELECT COUNT(*) FROM OTAZKA WHERE ID_OKRUH=%1 AND "
                                               "SKILL_LEVEL LIKE '%2'")
                                    .arg(g[0].toInt())
                                    .arg(like))
                        .toInt();
                QVERIFY2(available >= 3 * g[1].toInt(), qPrintable(QStringLiteral("%1 group %2: %3")
                                                                       .arg(c[0].toString())
                                                                       .arg(g[0].toInt())
                                                                       .arg(available)));
                questions += g[1].toInt();
                points +=
                    g[1].toInt() *
                    m_sql
                        ->value(
                            QStringLiteral("SELECT MAX(BB) FROM OTAZKA WHERE ID_OKRUH=%1").arg(g[0].toInt()))
                        .toInt();
            }
            QCOMPARE(questions, 25);
            QCOMPARE(points, 50);
        }
    }

    void everyPictureKindIsPresentAndReadable()
    {
        QSet<QByteArray> heads;
        for (const QVariantList& p : rows(*m_sql, QStringLiteral("SELECT ID_PICT, BMP FROM BMP"), 2)) {
            const QByteArray bytes = p[1].toByteArray();
            heads.insert(bytes.left(2));
            QVERIFY2(Picture::decode(bytes).ok(), qPrintable(p[0].toString()));
        }
        QVERIFY(heads.contains(QByteArray("BM")));
        QVERIFY(heads.contains(QByteArray("\xFF\xD8", 2)));
        QVERIFY(heads.contains(QByteArray("\x01\x00", 2)));
        QVERIFY(heads.contains(QByteArray("\xD7\xCD", 2)));
    }

    void everyCategoryHasAnAnimationOfBothFrameKinds()
    {
        for (const QVariantList& c : rows(*m_sql, QStringLiteral("SELECT RP, ID_AVI FROM RP"), 2)) {
            QVERIFY2(c[1].toInt() != 0, qPrintable(c[0].toString()));
            const QByteArray blob =
                m_sql->value(QStringLiteral("SELECT BLOB FROM RES WHERE ID=%1").arg(c[1].toInt()))
                    .toByteArray();
            const TFrameEntries entries = ReadFrameEntries(blob);
            QVERIFY(entries.ok);
            QVERIFY(entries.entries.size() >= 6 && entries.entries.size() <= 12);
            QSet<QString> classes;
            for (const TFrameEntry& e : entries.entries)
                classes.insert(e.className);
            QCOMPARE(classes, (QSet<QString>{QStringLiteral("TBitmap"), QStringLiteral("TJPEGImage")}));
            QCOMPARE(ParseFrameList(blob).size(), entries.entries.size());
        }
    }

    void storedTestsHaveExamShapeAndFitTheirCategories()
    {
        const auto types =
            rows(*m_sql, QStringLiteral("SELECT ID_TYPTEST FROM TYPTESTU WHERE ID_TYPTEST>0"), 1);
        QVERIFY(types.size() >= 3);
        for (const QVariantList& t : types) {
            const auto tests =
                rows(*m_sql,
                     QStringLiteral("SELECT ID_TEST, PORADI, SKILL_LEVEL FROM TEST WHERE ID_TYPTEST=%1")
                         .arg(t[0].toInt()),
                     3);
            QVERIFY(tests.size() >= 5);
            for (const QVariantList& test : tests) {
                QVERIFY(test[0].toInt() != 0);
                const QString flags = test[2].toString();
                QVERIFY(isPattern(flags, 10) && flags.contains(u'1'));
                const auto qs =
                    rows(*m_sql,
                         QStringLiteral("SELECT OTAZKA.ID_OKRUH, OTAZKA.SKILL_LEVEL, TESTOTAZ.PORADI FROM "
                                        "OTAZKA, TESTOTAZ WHERE TESTOTAZ.ID_OTAZKA=OTAZKA.ID_OTAZKA AND "
                                        "TESTOTAZ.ID_TEST=%1 ORDER BY TESTOTAZ.PORADI")
                             .arg(test[0].toInt()),
                         3);
                QCOMPARE(qs.size(), 25);
                QMap<int, int> perGroup;
                for (int i = 0; i < qs.size(); ++i) {
                    QCOMPARE(qs[i][2].toInt(), i + 1);
                    ++perGroup[qs[i][0].toInt()];
                    for (int k = 0; k < 10; ++k) // a question for every level the test is meant for
                        if (flags[k] == u'1')
                            QCOMPARE(qs[i][1].toString()[k], u'1');
                }
                QCOMPARE(perGroup, (QMap<int, int>{{1, 10}, {2, 3}, {3, 4}, {4, 3}, {5, 2}, {6, 2}, {7, 1}}));
            }
        }
        // every category finds stored tests of its level
        for (const QVariantList& c : rows(*m_sql, QStringLiteral("SELECT SKILL_LEVEL FROM RP"), 1)) {
            QString like(9, u'_');
            like.insert(c[0].toInt() - 1, u'1');
            QVERIFY(
                m_sql
                    ->value(QStringLiteral("SELECT COUNT(*) FROM TEST WHERE SKILL_LEVEL LIKE '%1'").arg(like))
                    .toInt() >= 5);
        }
    }

    void theProgramOpensTheSampleBank()
    {
        TDM& dm = m_db.open();
        QVERIFY(dm.DB.connected());
        QCOMPARE(DatabaseVersion, QStringLiteral("2026.12"));
        QVERIFY(MessageList.size() >= 10);
        QCOMPARE(dm.GetConst(QStringLiteral("TESTTIMEOUT")), QStringLiteral("30"));
        m_db.closeDm();
    }

    void messagesAndConstants()
    {
        QStringList lines;
        QVERIFY(MessageCipher::decipherLines(
            m_sql->value(QStringLiteral("SELECT Message FROM MESSAGE")).toByteArray(), &lines));
        QVERIFY(lines.size() >= 10);
        for (const QString& l : lines)
            QVERIFY(!l.trimmed().isEmpty());
        QCOMPARE(m_sql->value(QStringLiteral("SELECT ConstValue FROM FNKonst WHERE ConstName='VERSION'"))
                     .toString(),
                 QStringLiteral("2026.12"));
        QCOMPARE(m_sql->value(QStringLiteral("SELECT ConstValue FROM FNKonst WHERE ConstName='TIMEOUT'"))
                     .toString(),
                 QStringLiteral("30"));
        QCOMPARE(m_sql->value(QStringLiteral("SELECT ConstValue FROM FNKonst WHERE ConstName='TESTTIMEOUT'"))
                     .toString(),
                 QStringLiteral("30"));
        QCOMPARE(m_sql->dump(QStringLiteral("ZAK")).size(), 1);
        QCOMPARE(
            m_sql->value(QStringLiteral("SELECT RC || '/' || HESLO || '/' || RP FROM ZAK WHERE ID_ZAK=1"))
                .toString(),
            QStringLiteral("admin/ferdano/B"));
    }
};

QTEST_MAIN(TSampleBankTest)
#include "tst_samplebank.moc"
