// The bank importer: round trip through the source format, refusal of broken banks with one line
// per problem, warnings of what imports but shows badly, and keeping a school's pupils and records
// across a new bank.
#include "BankTestUtil.h"

#include "pictures/Picture.h"
#include "data/SqliteEngine.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace BankTest;
using TFiles = BankSource::TFiles;
using TMutation = std::function<void(TFiles&)>;
Q_DECLARE_METATYPE(TMutation)

namespace {

void editJson(TFiles& files, const QString& name, const std::function<void(QJsonObject&)>& edit)
{
    QJsonObject o = QJsonDocument::fromJson(files.value(name)).object();
    edit(o);
    files[name] = QJsonDocument(o).toJson();
}

// Edits the question with the id in whichever question file holds it.
void editQuestion(TFiles& files, int id, const std::function<void(QJsonObject&)>& edit)
{
    for (const QString& name : files.keys()) {
        if (!name.startsWith(QLatin1String("questions/")))
            continue;
        editJson(files, name, [&](QJsonObject& file) {
            QJsonArray qs = file.value(QStringLiteral("questions")).toArray();
            for (qsizetype i = 0; i < qs.size(); ++i) {
                QJsonObject q = qs.at(i).toObject();
                if (q.value(QStringLiteral("id")).toInt() == id) {
                    edit(q);
                    qs[i] = q;
                }
            }
            file[QStringLiteral("questions")] = qs;
        });
    }
}

void editArrayItem(TFiles& files, const QString& file, const QString& array, const QString& key,
                   const QJsonValue& value, const std::function<void(QJsonObject&)>& edit)
{
    editJson(files, file, [&](QJsonObject& o) {
        QJsonArray a = o.value(array).toArray();
        for (qsizetype i = 0; i < a.size(); ++i) {
            QJsonObject item = a.at(i).toObject();
            if (item.value(key) == value) {
                edit(item);
                a[i] = item;
            }
        }
        o[array] = a;
    });
}

QString writeSource(const QTemporaryDir& dir, const QString& name, const TFiles& files)
{
    const QString path = dir.filePath(name);
    QStringList problems;
    if (!BankSource::writeFolder(path, files, &problems))
        qFatal("%s", qPrintable(problems.join(u'\n')));
    return path;
}

struct TBroken
{
    const char* name;
    TMutation mutate;
    const char* expected; // what the one problem line must contain
};

QVector<TBroken> brokenCases()
{
    const QString q1 = QStringLiteral("questions/1-pravidla.json");
    return {
        {"unknown topic group",
         [q1](TFiles& f) { editJson(f, q1, [](QJsonObject& o) { o[QStringLiteral("group")] = 99; }); },
         "questions/1-pravidla.json: -: group: okruh 99 neexistuje"},
        {"answer pattern with a wrong character",
         [](TFiles& f) {
             editQuestion(f, 101, [](QJsonObject& q) { q[QStringLiteral("correct")] = "10x0"; });
         },
         "questions/1-pravidla.json: otázka 101: correct: vzor správné odpovědi \"10x0\""},
        {"answer pattern too short",
         [](TFiles& f) {
             editQuestion(f, 106, [](QJsonObject& q) { q[QStringLiteral("correct")] = "100"; });
         },
         "otázka 106: correct:"},
        {"skill flags of nine characters",
         [](TFiles& f) {
             editQuestion(f, 102, [](QJsonObject& q) { q[QStringLiteral("skills")] = "111110000"; });
         },
         "otázka 102: skills: příznaky úrovní \"111110000\" nejsou deset znaků 0/1"},
        {"question without answers",
         [](TFiles& f) {
             editQuestion(f, 103, [](QJsonObject& q) { q[QStringLiteral("answers")] = QJsonArray(); });
         },
         "otázka 103: answers: otázka nemá žádnou odpověď"},
        {"missing picture",
         [](TFiles& f) {
             editQuestion(f, 201,
                          [](QJsonObject& q) { q[QStringLiteral("picture")] = "pictures/chybi.jpg"; });
         },
         "otázka 201: picture: obrázek pictures/chybi.jpg nebyl nalezen"},
        {"unreadable picture",
         [](TFiles& f) {
             f[QStringLiteral("pictures/b20a_30.jpg")] = QByteArray("\xFF\xD8 not really a JPEG");
         },
         "picture: obrázek pictures/b20a_30.jpg: obrázek nelze přečíst"},
        {"picture of no known kind",
         [](TFiles& f) { f[QStringLiteral("pictures/b20a_70.jpg")] = QByteArray("GIF89a"); },
         "obrázek pictures/b20a_70.jpg: není bitmapa, JPEG ani metasoubor"},
        {"duplicate question key",
         [q1](TFiles& f) {
             editJson(f, q1, [](QJsonObject& o) {
                 QJsonArray qs = o.value(QStringLiteral("questions")).toArray();
                 qs.append(qs.at(4));
                 o[QStringLiteral("questions")] = qs;
             });
         },
         "otázka 105: id: otázka 105 je uvedena dvakrát"},
        {"category whose mandatory group does not exist",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("bank.json"), QStringLiteral("categories"),
                           QStringLiteral("code"), "B",
                           [](QJsonObject& c) { c[QStringLiteral("mandatoryGroup")] = 42; });
         },
         "bank.json: skupina B: mandatoryGroup: okruh 42 neexistuje"},
        {"category naming an unknown animation",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("bank.json"), QStringLiteral("categories"),
                           QStringLiteral("code"), "A",
                           [](QJsonObject& c) { c[QStringLiteral("animation")] = 77; });
         },
         "bank.json: skupina A: animation: animace 77 neexistuje"},
        {"group picture that is not a JPEG",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("bank.json"), QStringLiteral("groups"), QStringLiteral("id"), 3,
                           [](QJsonObject& g) { g[QStringLiteral("picture")] = "pictures/p6_stop.emf"; });
         },
         "bank.json: okruh 3: picture: obrázek pictures/p6_stop.emf musí být JPEG"},
        {"duplicate category",
         [](TFiles& f) {
             editJson(f, QStringLiteral("bank.json"), [](QJsonObject& o) {
                 QJsonArray a = o.value(QStringLiteral("categories")).toArray();
                 for (const QJsonValue& c : o.value(QStringLiteral("categories")).toArray())
                     if (c.toObject().value(QStringLiteral("code")) == QStringLiteral("C"))
                         a.append(c);
                 o[QStringLiteral("categories")] = a;
             });
         },
         "skupina C: code: skupina C je uvedena dvakrát"},
        {"points that are not a number",
         [](TFiles& f) { editQuestion(f, 301, [](QJsonObject& q) { q[QStringLiteral("points")] = "dva"; }); },
         "otázka 301: points: není celé číslo"},
        {"key far beyond 32 bits",
         // a question of its own, so that no stored test loses one of its questions
         [](TFiles& f) {
             editJson(f, QStringLiteral("questions/3-bezpecna-jizda.json"), [](QJsonObject& o) {
                 QJsonArray qs = o.value(QStringLiteral("questions")).toArray();
                 QJsonObject q = qs.last().toObject();
                 q[QStringLiteral("id")] = 1e300;
                 qs.append(q);
                 o[QStringLiteral("questions")] = qs;
             });
         },
         "otázka 1e+300: id: není celé číslo"},
        {"test naming an unknown question",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("tests.json"), QStringLiteral("tests"), QStringLiteral("id"),
                           101, [](QJsonObject& t) {
                               QJsonArray qs = t.value(QStringLiteral("questions")).toArray();
                               qs[0] = 99999;
                               t[QStringLiteral("questions")] = qs;
                           });
         },
         "tests.json: test 101: questions: otázka 99999 neexistuje"},
        {"test of an unknown test type",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("tests.json"), QStringLiteral("tests"), QStringLiteral("id"),
                           202, [](QJsonObject& t) { t[QStringLiteral("type")] = 9; });
         },
         "tests.json: test 202: type: typ testu 9 neexistuje"},
        {"JSON syntax error",
         [](TFiles& f) { f[QStringLiteral("tests.json")] = "{\n \"tests\": [\n  {\"id\": 1,,}\n ]\n}\n"; },
         "tests.json: řádek 3: -: chyba zápisu JSON"},
        {"question file nested too deeply for JSON",
         // one line for the file, not one for every stored test's reference to its questions
         [q1](TFiles& f) { f[q1] = QByteArray(2000, '[') + QByteArray(2000, ']'); },
         "questions/1-pravidla.json: řádek 1: -: chyba zápisu JSON"},
        {"answer that is only a control character",
         [](TFiles& f) {
             editQuestion(f, 104, [](QJsonObject& q) {
                 QJsonArray a = q.value(QStringLiteral("answers")).toArray();
                 a[1] = QString(QChar(0));
                 q[QStringLiteral("answers")] = a;
             });
         },
         "otázka 104: answers: odpověď je prázdná"},
        {"explanation that is only control characters",
         [](TFiles& f) {
             editQuestion(f, 108, [](QJsonObject& q) { q[QStringLiteral("explanation")] = "\t\x01 "; });
         },
         "otázka 108: explanation: vysvětlení je prázdné"},
        {"explanation longer than the limit",
         [](TFiles& f) {
             editQuestion(f, 107, [](QJsonObject& q) {
                 q[QStringLiteral("explanation")] = QString(BankSource::ExplanationLimit + 1, u'x');
             });
         },
         "otázka 107: explanation: je delší než"},
        {"topic group 0, which stands for no mandatory group",
         [](TFiles& f) {
             editArrayItem(f, QStringLiteral("bank.json"), QStringLiteral("groups"), QStringLiteral("id"), 6,
                           [](QJsonObject& g) { g[QStringLiteral("id")] = 0; });
             editJson(f, QStringLiteral("questions/6-souvisejici-predpisy.json"),
                      [](QJsonObject& o) { o[QStringLiteral("group")] = 0; });
         },
         "bank.json: okruh 0: id: číslo okruhu musí být větší než 0"},
        {"live-test time limit that is not minutes",
         [](TFiles& f) {
             editJson(f, QStringLiteral("bank.json"), [](QJsonObject& o) {
                 QJsonObject c = o.value(QStringLiteral("constants")).toObject();
                 c[QStringLiteral("TESTTIMEOUT")] = "půl hodiny";
                 o[QStringLiteral("constants")] = c;
             });
         },
         "bank.json: konstanta TESTTIMEOUT: hodnota:"},
    };
}

} // namespace

class TBankImportTest : public QObject
{
    Q_OBJECT

private slots:
    void sampleParsesCleanly()
    {
        TBank bank;
        QStringList problems;
        QVERIFY2(BankSource::parse(sampleFiles(), &bank, &problems), qPrintable(problems.join(u'\n')));
        QVERIFY(problems.isEmpty());
    }

    void roundTripGivesTheSameTables()
    {
        QTemporaryDir dir;
        const QString db1 = dir.filePath(QStringLiteral("db1")), db2 = dir.filePath(QStringLiteral("db2"));
        const QString out1 = dir.filePath(QStringLiteral("out1")),
                      out2 = dir.filePath(QStringLiteral("out2"));
        // explanations of both forms, whatever the sample holds, and a question without one
        TFiles files = sampleFiles();
        editQuestion(files, 101,
                     [](QJsonObject& q) { q[QStringLiteral("explanation")] = "Podle § 18 platí…"; });
        editQuestion(files, 201, [](QJsonObject& q) {
            q[QStringLiteral("explanation")] =
                QJsonArray{QStringLiteral("První řádek."), QStringLiteral("Druhý.")};
        });
        editQuestion(files, 102, [](QJsonObject& q) { q.remove(QStringLiteral("explanation")); });
        TBuildResult r = Builder::importBank(writeSource(dir, QStringLiteral("src"), files), db1);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        {
            TSql a(db1);
            QCOMPARE(a.value(QStringLiteral("SELECT TEXT FROM VYSVETLENI WHERE ID_OTAZKA=101")).toString(),
                     QStringLiteral("Podle § 18 platí…"));
            QCOMPARE(a.value(QStringLiteral("SELECT TEXT FROM VYSVETLENI WHERE ID_OTAZKA=201")).toString(),
                     QStringLiteral("První řádek.\nDruhý."));
            QCOMPARE(a.value(QStringLiteral("SELECT COUNT(*) FROM VYSVETLENI WHERE ID_OTAZKA=102")).toInt(),
                     0);
        }
        r = Builder::exportBank(db1, out1);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        r = Builder::importBank(out1, db2);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        TSql a(db1), b(db2);
        for (const QString& table : Schema::referenceTables()) {
            const QStringList rows = a.dump(table);
            QVERIFY2(!rows.isEmpty(), qPrintable(table));
            QCOMPARE(b.dump(table), rows);
        }
        QCOMPARE(b.dump(QStringLiteral("ZAK")), a.dump(QStringLiteral("ZAK")));
        // and the second export is the first one, file for file
        r = Builder::exportBank(db2, out2);
        QVERIFY(r.ok);
        TFiles f1, f2;
        QStringList problems;
        QVERIFY(BankSource::readFolder(out1, &f1, &problems));
        QVERIFY(BankSource::readFolder(out2, &f2, &problems));
        QCOMPARE(f2.keys(), f1.keys());
        QVERIFY(f1 == f2);
    }

    void databaseWithoutExplanationsStillExportsAndTakesNewOnes()
    {
        // a database made before the explanations existed: no table for them
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        {
            TSql sql(db);
            sql.exec(QStringLiteral("DROP TABLE VYSVETLENI"));
            sql.exec(QStringLiteral("DROP TABLE ZAKVYSL")); // nor for the answers' outcomes
            sql.exec(
                QStringLiteral("INSERT INTO ZAK (ID_ZAK, RC, PRIJMENI, RP) VALUES (2, 'x', 'Novák', 'B')"));
        }
        const QString out = dir.filePath(QStringLiteral("out"));
        TBuildResult r = Builder::exportBank(db, out);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        TFiles exported;
        QStringList problems;
        QVERIFY(BankSource::readFolder(out, &exported, &problems));
        TBank bank;
        QVERIFY2(BankSource::parse(exported, &bank, &problems), qPrintable(problems.join(u'\n')));
        for (const TBankQuestion& q : std::as_const(bank.questions))
            QVERIFY(q.explanation.isEmpty());

        // with the pupils kept, the explanations become the bank's
        TFiles files = sampleFiles();
        editQuestion(files, 103,
                     [](QJsonObject& q) { q[QStringLiteral("explanation")] = "Nové vysvětlení."; });
        TBuildOptions keep;
        keep.keepPupils = true;
        r = Builder::importBank(writeSource(dir, QStringLiteral("new"), files), db, keep);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        TSql sql(db);
        QCOMPARE(sql.value(QStringLiteral("SELECT TEXT FROM VYSVETLENI WHERE ID_OTAZKA=103")).toString(),
                 QStringLiteral("Nové vysvětlení."));
        QCOMPARE(sql.value(QStringLiteral("SELECT PRIJMENI FROM ZAK WHERE ID_ZAK=2")).toString(),
                 QStringLiteral("Novák"));
        QCOMPARE(sql.dump(QStringLiteral("ZAKVYSL")), QStringList());
    }

    void noMandatoryGroupIsAccepted()
    {
        // 0 names no topic group: none is mandatory
        TFiles files = sampleFiles();
        editJson(files, QStringLiteral("bank.json"), [](QJsonObject& o) {
            QJsonArray cats = o.value(QStringLiteral("categories")).toArray();
            for (qsizetype i = 0; i < cats.size(); ++i) {
                QJsonObject c = cats.at(i).toObject();
                c[QStringLiteral("mandatoryGroup")] = i == 0 ? 0 : 7;
                cats[i] = c;
            }
            o[QStringLiteral("categories")] = cats;
        });
        TBank bank;
        QStringList problems;
        QVERIFY2(BankSource::parse(files, &bank, &problems), qPrintable(problems.join(u'\n')));
        QCOMPARE(bank.categories.first().mandatoryGroup, NoMandatoryGroup);
        QCOMPARE(bank.categories.last().mandatoryGroup, 7);
    }

    void exportRefusesAFolderWithABank()
    {
        QTemporaryDir dir;
        QVERIFY(Builder::buildSample(dir.filePath(QStringLiteral("db"))).ok);
        const TBuildResult r =
            Builder::exportBank(dir.filePath(QStringLiteral("db")), Builder::sampleBankDir());
        QVERIFY(!r.ok);
        QVERIFY(r.problems.join(u'\n').contains(QStringLiteral("už obsahuje banku")));
    }

    void brokenEntryIsReported_data()
    {
        QTest::addColumn<TMutation>("mutate");
        QTest::addColumn<QString>("expected");
        for (const TBroken& c : brokenCases())
            QTest::newRow(c.name) << c.mutate << QString::fromUtf8(c.expected);
    }

    void brokenEntryIsReported()
    {
        QFETCH(TMutation, mutate);
        QFETCH(QString, expected);
        TFiles files = sampleFiles();
        mutate(files);
        TBank bank;
        QStringList problems;
        QVERIFY(!BankSource::parse(files, &bank, &problems));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.first()));
    }

    void everyProblemGetsItsOwnLine()
    {
        TFiles files = sampleFiles();
        QStringList expected;
        for (const TBroken& c : brokenCases()) {
            if (QByteArray(c.name).contains("JSON")) // a file that cannot be read hides its entries
                continue;
            c.mutate(files);
            expected << QString::fromUtf8(c.expected);
        }
        TBank bank;
        QStringList problems;
        QVERIFY(!BankSource::parse(files, &bank, &problems));
        QCOMPARE(problems.size(), expected.size());
        for (const QString& e : expected)
            QVERIFY2(problems.join(u'\n').contains(e), qPrintable(e));
    }

    void largeGroupPictureIsImportedWithAWarning_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("warned");
        const QSize frame = Picture::GroupPictureSize;
        QTest::newRow("the frame's size") << frame << false;
        QTest::newRow("smaller") << QSize(120, 90) << false;
        QTest::newRow("a pixel wider") << frame + QSize(1, 0) << true;
        QTest::newRow("a pixel taller") << frame + QSize(0, 1) << true;
        QTest::newRow("landscape 400 x 260") << QSize(400, 260) << true;
    }

    void largeGroupPictureIsImportedWithAWarning()
    {
        QFETCH(QSize, size);
        QFETCH(bool, warned);
        QImage img(size, QImage::Format_RGB32);
        img.fill(QColor(40, 80, 150));
        QByteArray jpeg;
        QBuffer buf(&jpeg);
        QVERIFY(buf.open(QIODevice::WriteOnly) && img.save(&buf, "JPEG"));
        TFiles files = sampleFiles();
        files[QStringLiteral("pictures/okruh3.jpg")] = jpeg;
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        const TBuildResult r = Builder::importBank(writeSource(dir, QStringLiteral("bank"), files), db);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        QVERIFY(r.problems.isEmpty());
        if (warned) {
            const QSize frame = Picture::GroupPictureSize;
            QCOMPARE(r.warnings,
                     QStringList{QStringLiteral("bank.json: okruh 3: picture: obrázek pictures/okruh3.jpg "
                                                "má %1 × %2 bodů, rámeček v prohlížení otázek má jen "
                                                "%3 × %4; ukáže se oříznutý")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(frame.width())
                                     .arg(frame.height())});
        } else {
            QCOMPARE(r.warnings, QStringList());
        }
        // stored all the same
        TSql sql(db);
        QCOMPARE(sql.value(QStringLiteral("SELECT Picture FROM OKRUHOT WHERE ID_OKRUH=3")).toByteArray(),
                 jpeg);
    }

    void ourBanksImportWithoutWarnings()
    {
        for (const QString& bank : {Builder::sampleBankDir(), QStringLiteral(FERDANO_TEST_BANK_DIR)}) {
            QTemporaryDir dir;
            const TBuildResult r = Builder::importBank(bank, dir.filePath(QStringLiteral("DB")));
            QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
            QVERIFY2(r.warnings.isEmpty(), qPrintable(r.warnings.join(u'\n')));
        }
    }

    void brokenBankLeavesTheDatabaseUntouched()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        const QByteArray before = fileHash(dbFile(db));
        TFiles files = sampleFiles();
        editQuestion(files, 101, [](QJsonObject& q) { q[QStringLiteral("skills")] = "abc"; });
        const QString source = writeSource(dir, QStringLiteral("broken"), files);
        TBuildOptions force;
        force.force = true;
        const TBuildResult r = Builder::importBank(source, db, force);
        QVERIFY(!r.ok);
        QVERIFY(r.problems.join(u'\n').contains(QStringLiteral("otázka 101: skills:")));
        QCOMPARE(fileHash(dbFile(db)), before);
        QCOMPARE(QDir(db).entryList(QDir::Files), QStringList{QStringLiteral("ferdano.db")});
    }

    void missingSourceFolderIsReported()
    {
        QTemporaryDir dir;
        const TBuildResult r =
            Builder::importBank(dir.filePath(QStringLiteral("nic")), dir.filePath(QStringLiteral("DB")));
        QVERIFY(!r.ok);
        QVERIFY(r.problems.first().contains(QStringLiteral("složka banky neexistuje")));
        QVERIFY(!QFile::exists(dbFile(dir.filePath(QStringLiteral("DB")))));
    }

    void foreignFileIsNotOverwritten()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QDir().mkpath(db);
        QFile f(dbFile(db));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a letter, not a database");
        f.close();
        const TBuildResult r = Builder::buildSample(db);
        QVERIFY(!r.ok);
        QVERIFY(r.problems.first().contains(QStringLiteral("není databáze programu Ferdano")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a letter, not a database"));
    }

    void reimportKeepsPupilsAndDropsDanglingRecords()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        {
            TSql sql(db);
            sql.exec(QStringLiteral("INSERT INTO ZAK (ID_ZAK, RC, HESLO, PRIJMENI, JMENO, RP) VALUES "
                                    "(2, '8001011234', 'tajne', 'Novák', 'Jan', 'B')"));
            sql.exec(QStringLiteral("INSERT INTO ZAK (ID_ZAK, RC, HESLO, PRIJMENI, JMENO, RP) VALUES "
                                    "(3, '8505055678', 'heslo', 'Svobodová', 'Eva', 'C')"));
            sql.exec(QStringLiteral("UPDATE ZAK SET HESLO='zmeneno' WHERE ID_ZAK=1"));
            sql.exec(QStringLiteral(
                "INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, "
                "TEST_NAME) VALUES (2, 101, '2026-12-01 10:00:00', 50, 44, 'řádek 1\nřádek 2', "
                "'Test číslo 1')"));
            sql.exec(QStringLiteral(
                "INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, "
                "TEST_NAME) VALUES (3, 305, '2026-12-02 11:00:00', 50, 30, 'x', 'Test číslo 5')"));
            sql.exec(QStringLiteral(
                "INSERT INTO ZAKODP VALUES (2, 101, '0100'), (2, 401, '1000'), (3, 101, '0010')"));
            sql.exec(QStringLiteral("INSERT INTO ZAKTEST VALUES (2, 101), (3, 305)"));
            sql.exec(QStringLiteral("INSERT INTO ZAKVYSL VALUES (2, 101, 0, '2026-12-01 10:00:00', 4), "
                                    "(2, 401, 1, '2026-12-01 10:00:00', 4), (3, 101, 1, '2026-12-02 11:00:00', 3)"));
            // pupil 7 was deleted; his answers stay, as his reports would
            sql.exec(QStringLiteral("INSERT INTO ZAKVYSL VALUES (7, 401, 0, '2026-11-30 09:00:00', 5)"));
        }
        // the school's new bank drops question 101 and stored test 305
        TFiles files = sampleFiles();
        editJson(files, QStringLiteral("questions/1-pravidla.json"), [](QJsonObject& o) {
            QJsonArray qs = o.value(QStringLiteral("questions")).toArray();
            for (qsizetype i = qs.size() - 1; i >= 0; --i)
                if (qs.at(i).toObject().value(QStringLiteral("id")).toInt() == 101)
                    qs.removeAt(i);
            o[QStringLiteral("questions")] = qs;
        });
        editJson(files, QStringLiteral("tests.json"), [](QJsonObject& o) {
            QJsonArray tests;
            for (const QJsonValue& v : o.value(QStringLiteral("tests")).toArray()) {
                QJsonObject t = v.toObject();
                if (t.value(QStringLiteral("id")).toInt() == 305)
                    continue;
                QJsonArray qs;
                for (const QJsonValue& q : t.value(QStringLiteral("questions")).toArray())
                    if (q.toInt() != 101)
                        qs << q;
                t[QStringLiteral("questions")] = qs;
                tests << t;
            }
            o[QStringLiteral("tests")] = tests;
        });
        const QString source = writeSource(dir, QStringLiteral("new"), files);

        // without a flag the pupils are protected
        const QByteArray before = fileHash(dbFile(db));
        TBuildResult r = Builder::importBank(source, db);
        QVERIFY(!r.ok);
        QVERIFY(r.problems.join(u'\n').contains(QStringLiteral("--keep-pupils")));
        QCOMPARE(fileHash(dbFile(db)), before);

        TBuildOptions keep;
        keep.keepPupils = true;
        r = Builder::importBank(source, db, keep);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        const QString notes = r.notes.join(u'\n');
        QVERIFY2(notes.contains(QStringLiteral(
                     "vyřazeno chybných odpovědí (ZAKODP), jejichž otázka v bance už není: 2")),
                 qPrintable(notes));
        QVERIFY2(notes.contains(
                     QStringLiteral("vyřazeno neúspěšných testů (ZAKTEST), jejichž test v bance už není: 1")),
                 qPrintable(notes));
        TSql sql(db);
        QCOMPARE(sql.dump(QStringLiteral("ZAK")).size(), 3);
        QCOMPARE(sql.value(QStringLiteral("SELECT HESLO FROM ZAK WHERE ID_ZAK=1")).toString(),
                 QStringLiteral("zmeneno"));
        QCOMPARE(sql.value(QStringLiteral("SELECT PRIJMENI FROM ZAK WHERE ID_ZAK=3")).toString(),
                 QStringLiteral("Svobodová"));
        QCOMPARE(sql.dump(QStringLiteral("STATIS")).size(), 2);
        QCOMPARE(sql.value(QStringLiteral("SELECT REPORT FROM STATIS WHERE ID_ZAK=2")).toString(),
                 QStringLiteral("řádek 1\nřádek 2"));
        QCOMPARE(sql.dump(QStringLiteral("ZAKODP")), QStringList{QStringLiteral("2|401|1000")});
        QCOMPARE(sql.dump(QStringLiteral("ZAKTEST")), QStringList{QStringLiteral("2|101")});
        QVERIFY2(notes.contains(QStringLiteral(
                     "vyřazeno výsledků odpovědí (ZAKVYSL), jejichž otázka v bance už není: 2")),
                 qPrintable(notes));
        QCOMPARE(sql.dump(QStringLiteral("ZAKVYSL")),
                 (QStringList{QStringLiteral("2|401|1|2026-12-01 10:00:00|4"),
                              QStringLiteral("7|401|0|2026-11-30 09:00:00|5")}));
        QCOMPARE(sql.value(QStringLiteral("SELECT COUNT(*) FROM OTAZKA WHERE ID_OTAZKA=101")).toInt(), 0);
        QCOMPARE(sql.value(QStringLiteral("SELECT COUNT(*) FROM TEST")).toInt(),
                 QJsonDocument::fromJson(files.value(QStringLiteral("tests.json")))
                     .object()
                     .value(QStringLiteral("tests"))
                     .toArray()
                     .size());
        // a pupil added afterwards gets a key that no kept pupil has, nor the deleted pupil whose
        // answers were kept: the new pupil must not inherit them
        sql.exec(QStringLiteral("INSERT INTO ZAK (RC, PRIJMENI, RP) VALUES ('novy', 'Nový', 'B')"));
        QCOMPARE(sql.value(QStringLiteral("SELECT ID_ZAK FROM ZAK WHERE RC='novy'")).toInt(), 8);
    }

    void refusedWhileStationsAreSignedIn()
    {
        // Two pupils signed in at stations (the lock file's bytes, held through open files of
        // their own): the import would take the database from under their tests.
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        const QByteArray before = fileHash(dbFile(db));
        auto stationA = std::make_unique<TFileSignInLock>(db + QStringLiteral("/ferdano.lck"));
        TFileSignInLock stationB(db + QStringLiteral("/ferdano.lck"));
        QVERIFY(stationA->tryLock(1));
        QVERIFY(stationB.tryLock(7));
        TBuildOptions keep;
        keep.keepPupils = true;
        TBuildResult r = Builder::buildSample(db, keep);
        QVERIFY(!r.ok);
        QVERIFY2(r.problems.join(u'\n').contains(QStringLiteral("přihlášených žáků na stanicích: 2")),
                 qPrintable(r.problems.join(u'\n')));
        QCOMPARE(fileHash(dbFile(db)), before);

        stationA.reset(); // one station ends: still one signed in
        r = Builder::buildSample(db, keep);
        QVERIFY(r.problems.join(u'\n').contains(QStringLiteral("přihlášených žáků na stanicích: 1")));
        stationB.releaseAll(); // the last one signs out: the import goes through
        r = Builder::buildSample(db, keep);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
    }

    void forceReplacesPupils()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        {
            TSql sql(db);
            sql.exec(
                QStringLiteral("INSERT INTO ZAK (ID_ZAK, RC, PRIJMENI, RP) VALUES (2, 'x', 'Novák', 'B')"));
            sql.exec(QStringLiteral("INSERT INTO ZAKODP VALUES (2, 101, '0100')"));
        }
        TBuildOptions both;
        both.force = both.keepPupils = true;
        QVERIFY(!Builder::buildSample(db, both).ok);
        TBuildOptions force;
        force.force = true;
        const TBuildResult r = Builder::buildSample(db, force);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
        TSql sql(db);
        QCOMPARE(sql.dump(QStringLiteral("ZAK")).size(), 1);
        QCOMPARE(sql.value(QStringLiteral("SELECT RC FROM ZAK")).toString(), QStringLiteral("admin"));
        QCOMPARE(sql.dump(QStringLiteral("ZAKODP")).size(), 0);
    }

    void databaseWithOnlyPupilOneIsReplacedFreely()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("DB"));
        QVERIFY(Builder::buildSample(db).ok);
        const TBuildResult r = Builder::buildSample(db);
        QVERIFY2(r.ok, qPrintable(r.problems.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TBankImportTest)
#include "tst_bankimport.moc"
