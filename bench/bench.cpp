// Benchmarks of the program at a large school's scale: every figure is measured many times after a
// warm-up and printed beside a floor measured in the same run on the same machine, with the ratio.
// Run with: bash scripts/bench.sh   (prints a Markdown report; see bench/README.md)
#include "BenchProcess.h"
#include "BenchWindows.h"
#include "Builder.h"
#include "SyntheticBank.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/SignInLock.h"
#include "testing/TestScoring.h"
#include "data/Globals.h"
#include "pictures/Picture.h"
#include "data/Public.h"
#include "data/Statements.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "data/Clock.h"
#include "data/Progress.h"
#include "data/Statement.h"
#include "pupils/FailedDlg.h"
#include "pupils/StatistikaDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/RandomDraw.h"
#include "selection/TestTypeDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

int g_reps = 30;

// Runs `body` `warmup` times unmeasured, then `reps` times measured, in milliseconds.
TSeries measure(int warmup, int reps, const std::function<void()>& body)
{
    for (int i = 0; i < warmup; ++i)
        body();
    TSeries s;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        s.values.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return s;
}

// Like measure(), for a figure and its floor, run alternately, so that a busy moment of the
// machine touches both alike.
std::pair<TSeries, TSeries> measurePair(int warmup, int reps, const std::function<void()>& body,
                                        const std::function<void()>& floorBody)
{
    for (int i = 0; i < warmup; ++i) {
        body();
        floorBody();
    }
    std::pair<TSeries, TSeries> s;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        s.first.values.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        floorBody();
        s.second.values.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return s;
}

enum class TGoalKind
{
    AbsoluteMs,   // the median at most `limit` ms
    FloorRatio,   // the median at most `limit` times the floor's median
    PeakMegabytes, // the largest peak at most `limit` MB
    Comparison     // no goal: shown beside the others to explain them
};

struct TRow
{
    QString name;
    QString floorName;
    TSeries value;
    TSeries floor;
    TGoalKind kind;
    double limit;
    QString unit = QStringLiteral("ms");

    double ratio() const { return floor.median() > 0 ? value.median() / floor.median() : 0; }
    bool met() const
    {
        switch (kind) {
        case TGoalKind::AbsoluteMs:
            return value.median() <= limit;
        case TGoalKind::FloorRatio:
            return ratio() <= limit;
        case TGoalKind::PeakMegabytes:
            return value.slowest() <= limit;
        case TGoalKind::Comparison:
            return true;
        }
        return false;
    }
    QString goal() const
    {
        switch (kind) {
        case TGoalKind::AbsoluteMs:
            return QStringLiteral("median <= %1 ms").arg(limit);
        case TGoalKind::FloorRatio:
            return QStringLiteral("<= %1 x floor").arg(limit);
        case TGoalKind::PeakMegabytes:
            return QStringLiteral("<= %1 MB").arg(limit);
        case TGoalKind::Comparison:
            return QStringLiteral("for comparison, no goal");
        }
        return {};
    }
};

std::vector<TRow> g_rows;

void report(const TRow& row)
{
    g_rows.push_back(row);
    std::fprintf(stderr, "  %-58s %9.3f %s (floor %.3f, x%.2f) %s\n", qPrintable(row.name),
                 row.value.median(), qPrintable(row.unit), row.floor.median(), row.ratio(),
                 row.kind == TGoalKind::Comparison ? "" : row.met() ? "ok" : "MISSED");
}

[[noreturn]] void fail(const QString& what)
{
    benchFail(what);
}

// ---- the databases ----

QByteArray encodeJpeg(int width, int height)
{
    // a picture with smooth areas and edges, so that it compresses like a photograph of a sign
    std::vector<JSAMPLE> row(size_t(width) * 3);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3] = JSAMPLE(x * 255 / width);
            row[size_t(x) * 3 + 1] = JSAMPLE(y * 255 / height);
            row[size_t(x) * 3 + 2] = JSAMPLE(((x / 40) ^ (y / 40)) & 1 ? 220 : 30);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

// Question ids of the large bank that the benchmarks give pictures.
constexpr int HdQuestions[] = {50001, 50002};
constexpr int HugeQuestions[] = {50003, 50004};

void prepareLargeBank(const QString& dbDir, const QByteArray& hd, const QByteArray& huge)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-prepare"));
    {
        db.setDatabaseName(QDir(dbDir).filePath(QStringLiteral("ferdano.db")));
        if (!db.open())
            fail(db.lastError().text());
        QSqlQuery q(db);
        db.transaction();
        // 25 questions per random test: 7 of the first group, 3 of each of the other six
        q.exec(QStringLiteral("UPDATE OKRUHOT SET Pocet=3, PocetDef=3"));
        q.exec(QStringLiteral("UPDATE OKRUHOT SET Pocet=7, PocetDef=7 WHERE ID_OKRUH=1"));
        q.prepare(QStringLiteral("INSERT INTO BMP (ID_PICT, BMP) VALUES (?, ?)"));
        for (int i = 0; i < 4; ++i) {
            q.addBindValue(900001 + i);
            q.addBindValue(i < 2 ? hd : huge);
            if (!q.exec())
                fail(q.lastError().text());
        }
        for (int i = 0; i < 4; ++i)
            q.exec(QStringLiteral("UPDATE OTAZKA SET ID_PICT=%1 WHERE ID_OTAZKA=%2")
                       .arg(900001 + i)
                       .arg(i < 2 ? HdQuestions[i] : HugeQuestions[i - 2]));
        if (!db.commit())
            fail(db.lastError().text());
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench-prepare"));
}

TDM::Options optionsFor(const QString& programDir)
{
    TDM::Options o;
    o.programDir = programDir;
    o.tempDir = programDir + QStringLiteral("/tmp");
    return o;
}

// ---- floors: the bare work, through Qt SQL on the same file ----

// Runs a prepared statement and reads every value of every row, as any caller must.
int readAll(QSqlQuery& q)
{
    if (!q.exec())
        fail(q.lastError().text());
    int n = 0;
    const int cols = q.record().count();
    while (q.next()) {
        for (int i = 0; i < cols; ++i)
            (void)q.value(i);
        ++n;
    }
    return n;
}

void openAndQueryOnce(const QString& dbFile)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-floor"));
        db.setDatabaseName(dbFile);
        if (!db.open())
            fail(db.lastError().text());
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT ConstValue FROM FNKonst WHERE ConstName='VERSION'"));
        readAll(q);
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-floor"));
}

// A bare libjpeg decode of the picture, scaled down by the largest of 1/8, 1/4, 1/2 that still
// covers the 280 x 180 view.
void bareScaledDecode(const QByteArray& bytes)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&c, TRUE);
    const int w = int(c.image_width), h = int(c.image_height);
    const int needW = std::min(w, 280), needH = std::min(h, 180);
    unsigned denom = 1;
    for (unsigned d : {8u, 4u, 2u})
        if (int((w + d - 1) / d) >= needW && int((h + d - 1) / d) >= needH) {
            denom = d;
            break;
        }
    c.scale_num = 1;
    c.scale_denom = denom;
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    std::vector<JSAMPLE> image(size_t(c.output_width) * 3 * c.output_height);
    while (c.output_scanline < c.output_height) {
        JSAMPROW rows[1] = {image.data() + size_t(c.output_scanline) * c.output_width * 3};
        jpeg_read_scanlines(&c, rows, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
}

// ---- processes ----

TProcessRun runUntilPainted(const QString& program, const QString& tmpDir, const QByteArray& extraEnv = {})
{
    return runUntilMarker(program, tmpDir, extraEnv);
}

// The floor of the start-up is a bare Qt program showing one window with one line of text in the
// program's font: every real window pays for reading the font configuration at its first text.
void measureProcesses(const QString& label, const QString& programDir, const QString& bare, int reps)
{
    const QString program = programDir + QStringLiteral("/ferdano");
    const QString tmp = programDir + QStringLiteral("/tmp");
    const QByteArray withText = "FERDANO_BARE_TEXT=1";
    TSeries time, mem, bareTime, bareMem;
    runUntilPainted(program, tmp);
    runUntilPainted(bare, tmp, withText);
    for (int i = 0; i < reps; ++i) {
        // interleaved, so that a busy moment of the machine touches both alike
        const TProcessRun a = runUntilPainted(program, tmp);
        const TProcessRun b = runUntilPainted(bare, tmp, withText);
        time.values.push_back(a.msToMarker);
        mem.values.push_back(a.peakMb);
        bareTime.values.push_back(b.msToMarker);
        bareMem.values.push_back(b.peakMb);
    }
    report({QStringLiteral("start of the program to the main window painted, ") + label,
            QStringLiteral("a bare Qt program showing one window with one line of text"), time, bareTime,
            TGoalKind::FloorRatio, 1.5});
    report({QStringLiteral("peak memory of the program, ") + label, QStringLiteral("a bare Qt program"), mem,
            bareMem, TGoalKind::PeakMegabytes, label.contains(QLatin1String("sample")) ? 80.0 : 150.0,
            QStringLiteral("MB")});
}

// What the first line of text costs a program: the font configuration is read at the first text.
void measureFirstText(const QString& bare, const QString& tmpDir, int reps)
{
    const QByteArray withText = "FERDANO_BARE_TEXT=1";
    TSeries text, plain;
    runUntilPainted(bare, tmpDir, withText);
    runUntilPainted(bare, tmpDir);
    for (int i = 0; i < reps; ++i) {
        text.values.push_back(runUntilPainted(bare, tmpDir, withText).msToMarker);
        plain.values.push_back(runUntilPainted(bare, tmpDir).msToMarker);
    }
    report({QStringLiteral("a bare Qt program showing one window with one line of text"),
            QStringLiteral("a bare Qt program showing one window"), text, plain, TGoalKind::Comparison, 0});
}

// ---- in-process measurements ----

void measureDmCreate(const QString& label, const QString& programDir, double goalMs)
{
    const TDM::Options o = optionsFor(programDir);
    const QString file = programDir + QStringLiteral("/DB/ferdano.db");
    const auto [value, floor] = measurePair(
        3, g_reps,
        [&] {
            TDM dm;
            dm.DMCreate(o);
        },
        [&] { openAndQueryOnce(file); });
    report({QStringLiteral("DMCreate, ") + label, QStringLiteral("opening the file and running one query"),
            value, floor, TGoalKind::AbsoluteMs, goalMs});
}

QSqlDatabase connection()
{
    return DM->DB.engine().database();
}

void setSignedIn(int pupilId)
{
    // signed in as the sign-in dialog leaves it: the pupil's lock held
    DM->engine().signInLock().tryLock(pupilId);
    TSignedInPupil pupil;
    pupil.PupilId = pupilId;
    pupil.FullName = QStringLiteral(" Jméno Příjmení");
    pupil.LicenceCategory = QStringLiteral("B");
    pupil.SkillLevel = 2;
    pupil.PassMinimum = 43;
    pupil.MandatoryGroup = 4;
    TSession::instance().setSignedInPupil(pupil);
}

// Ids of a 25-question test of the large bank, with the picture questions at the end.
TIdList testIds()
{
    TIdList ids;
    for (int i = 0; i < 21; ++i)
        ids << 1000 + i * 37;
    for (int id : HdQuestions)
        ids << id;
    for (int id : HugeQuestions)
        ids << id;
    return ids;
}

void openTestSet(const TIdList& ids)
{
    Statements::OpenDrawnQuestions(*DM->QTestType3, ids);
}

int rowOf(TDataSet* set, int questionId)
{
    for (int r = 0; r < set->recordCount(); ++r)
        if (set->valueAt(r, QStringLiteral("ID_OTAZKA")).toInt() == questionId)
            return r;
    fail(QStringLiteral("question %1 not in the set").arg(questionId));
}

void measureTestWindow(const QByteArray& hd, const QByteArray& huge)
{
    openTestSet(testIds());
    TDataSet* set = DM->QTestType3;
    QSqlDatabase db = connection();

    QTimer::singleShot(0, TestDlg, [&] {
        auto leave = qScopeGuard([&] { TestDlg->abandonModalRun(); });
        // ---- a move without a picture ----
        QSqlQuery answers(db), picture(db);
        answers.prepare(QStringLiteral("select * from ODPOVED where ID_OTAZKA=? order by CHAR_ODP"));
        picture.prepare(QStringLiteral("select * from BMP where id_pict=?"));
        int k = 0, f = 0;
        const auto [plain, plainFloor] = measurePair(
            5, g_reps * 10,
            [&] {
                set->moveTo(k++ % 21);
                TestDlg->ShowQuestion();
            },
            [&] {
                answers.addBindValue(1000 + (f++ % 21) * 37);
                readAll(answers);
                picture.addBindValue(0);
                readAll(picture);
            });
        report({QStringLiteral("ShowQuestion after a move, no picture, large bank"),
                QStringLiteral("the answer and picture point queries, bare"), plain, plainFloor,
                TGoalKind::AbsoluteMs, 1.0});

        // ---- a move to a question with a picture ----
        auto pictureRow = [&](const char* label, const int* ids, const QByteArray& bytes) {
            const int rows[2] = {rowOf(set, ids[0]), rowOf(set, ids[1])};
            int j = 0;
            const auto [value, floor] = measurePair(
                2, g_reps,
                [&] {
                    set->moveTo(rows[j++ % 2]);
                    TestDlg->ShowQuestion();
                },
                [&] { bareScaledDecode(bytes); });
            // where the time goes, on standard error only
            const int pictIds[2] = {set->valueAt(rows[0], QStringLiteral("ID_PICT")).toInt(),
                                    set->valueAt(rows[1], QStringLiteral("ID_PICT")).toInt()};
            const TSeries read = measure(2, g_reps, [&] {
                DM->QBmp->close();
                DM->QBmp->setParam(QStringLiteral("ID_PICT"), pictIds[j++ % 2]);
                DM->QBmp->open();
            });
            const TSeries decode = measure(2, g_reps, [&] { (void)Picture::decode(bytes, QSize(280, 180)); });
            const Picture::Decoded d = Picture::decode(bytes, QSize(280, 180));
            const TSeries pixmap = measure(2, g_reps, [&] { (void)QPixmap::fromImage(d.image); });
            std::fprintf(stderr,
                         "    of which: reading the row %.3f ms, Picture::decode %.3f ms, pixmap %.3f ms\n",
                         read.median(), decode.median(), pixmap.median());
            report({QStringLiteral("ShowQuestion after a move, %1 JPEG").arg(QLatin1String(label)),
                    QStringLiteral("bare libjpeg decode scaled to fit 280 x 180"), value, floor,
                    TGoalKind::FloorRatio, 1.3});
        };
        pictureRow("1920 x 1080", HdQuestions, hd);
        pictureRow("6000 x 4000", HugeQuestions, huge);

        // ---- scoring and storing a live test ----
        TTestScoring scorer;
        int run = 0;
        auto prepare = [&] {
            openTestSet(testIds());
            answerAboutHalf(*set, run++);
        };
        TSeries scoring;
        for (int i = 0; i < 3 + g_reps; ++i) {
            prepare();
            QElapsedTimer t;
            t.start();
            scorer.scoreAndStore(*set, 1, QStringLiteral("Ostré testy - Test číslo 1"), tmLive);
            if (i >= 3)
                scoring.values.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        QSqlQuery insert(db);
        insert.prepare(
            QStringLiteral("insert into STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, "
                           "TEST_NAME) values (?, ?, ?, ?, ?, ?, ?)"));
        const TSeries insertFloor = measure(3, g_reps, [&] {
            db.transaction();
            for (const QVariant& v :
                 {QVariant(3), QVariant(1), QVariant(QStringLiteral("2026-12-08 10:00:00")), QVariant(50),
                  QVariant(45), QVariant(QStringLiteral("report")), QVariant(QStringLiteral("bench"))})
                insert.addBindValue(v);
            if (!insert.exec())
                fail(insert.lastError().text());
            db.commit();
        });
        report({QStringLiteral("scoring and storing a 25-question live test"),
                QStringLiteral("one insert in one transaction"), scoring, insertFloor, TGoalKind::AbsoluteMs,
                50.0});
    });
    TestDlg->RunTest(tmBrowse, 0, QStringLiteral("Ostré testy - benchmark"), set, false, 0);
}

void measureDraws()
{
    QSqlDatabase db = connection();
    QSqlQuery ids(db);
    ids.prepare(QStringLiteral("select ID_OTAZKA from OTAZKA where ID_OKRUH=?"));
    const auto [random, floor] = measurePair(
        3, g_reps,
        [&] {
            if (!TestTypeDlg->GenerateRandomTest() || DM->QTestType3->recordCount() != 25)
                fail(QStringLiteral("the random test has not 25 questions"));
        },
        [&] {
            ids.addBindValue(1);
            readAll(ids);
        });
    report({QStringLiteral("GenerateRandomTest, 25 questions, large bank"),
            QStringLiteral("one query reading all ids of one group"), random, floor, TGoalKind::AbsoluteMs,
            30.0});
    // What the draw's own statements cost the engine: one per topic group, with the LIKE on the
    // skill level over every question of the group.
    QSqlQuery level(db);
    level.prepare(QStringLiteral("select ID_OTAZKA from OTAZKA where ID_OKRUH=? and SKILL_LEVEL LIKE ?"));
    QList<int> groupIds;
    for (int row = 0; row < DM->QSelectQuest->recordCount(); ++row)
        groupIds << DM->QSelectQuest->valueAt(row, QStringLiteral("ID_OKRUH")).toInt();
    const QString pattern = SkillLevelPattern(SignedInPupil.SkillLevel);
    const auto [again, statements] = measurePair(
        3, g_reps, [&] { TestTypeDlg->GenerateRandomTest(); },
        [&] {
            for (int id : groupIds) {
                level.addBindValue(id);
                level.addBindValue(pattern);
                readAll(level);
            }
        });
    report({QStringLiteral("GenerateRandomTest against its own statements"),
            QStringLiteral("the draw's statements (one per topic group), bare"), again, statements,
            TGoalKind::Comparison, 0});
    for (bool topUp : {false, true}) {
        ErrorTestTypeDlg->NoError()->setChecked(topUp);
        const TSeries errors = measure(3, g_reps, [&] {
            if (!ErrorTestTypeDlg->GenerateRandomErrorTest())
                fail(QStringLiteral("no error test drawn"));
        });
        report({QStringLiteral("GenerateRandomErrorTest, %1, large bank")
                    .arg(topUp ? QStringLiteral("topped up to the counts")
                               : QStringLiteral("wrong answers only")),
                QStringLiteral("one query reading all ids of one group"), errors, floor,
                TGoalKind::AbsoluteMs, 30.0});
    }
}

// Opens QZak as the main window's register command does, shows the window and paints it once.
template <typename Show> double openAndPaint(TForm* window, const QString& pupilFilter, Show show)
{
    QElapsedTimer t;
    t.start();
    TQuery* zak = DM->QZak;
    zak->close();
    zak->clearSql();
    zak->addLine(QStringLiteral("select * from zak, RP where RP.RP=zak.RP "));
    if (!pupilFilter.isEmpty())
        zak->addLine(pupilFilter);
    zak->addLine(QStringLiteral(" order by prijmeni, jmeno "));
    zak->open();
    double ms = 0;
    QTimer::singleShot(0, window, [&] {
        window->repaint();
        ms = double(t.nsecsElapsed()) / 1e6;
        window->abandonModalRun();
    });
    show();
    return ms;
}

void measurePupils()
{
    QSqlDatabase db = connection();
    auto seriesOf = [](int reps, const std::function<double()>& once) {
        for (int i = 0; i < 2; ++i)
            once();
        TSeries s;
        for (int i = 0; i < reps; ++i)
            s.values.push_back(once());
        return s;
    };
    setSignedIn(PrivilegedPupilId);
    const TSeries reg = seriesOf(
        g_reps / 2, [&] { return openAndPaint(ZakListDlg, QString(), [] { ZakListDlg->Execute(); }); });
    QSqlQuery all(db);
    all.prepare(QStringLiteral("select * from zak, RP where RP.RP=zak.RP  order by prijmeni, jmeno "));
    const TSeries regFloor = measure(2, g_reps / 2, [&] { readAll(all); });
    report({QStringLiteral("pupil register opened on 10 000 pupils (query, window, first paint)"),
            QStringLiteral("the register's query, bare"), reg, regFloor, TGoalKind::AbsoluteMs, 100.0});

    const int busiest = SyntheticBank::BusiestPupil;
    setSignedIn(busiest);
    const QString filter = QStringLiteral("  AND ZAK.id_zak=%1").arg(busiest);
    const TSeries rec = seriesOf(g_reps / 2, [&] {
        return openAndPaint(ZakDlg, filter, [] { ZakDlg->EditPupil(false, QString(), QString()); });
    });
    QSqlQuery one(db), reports(db);
    one.prepare(
        QStringLiteral("select * from zak, RP where RP.RP=zak.RP AND ZAK.id_zak=? order by prijmeni, jmeno"));
    reports.prepare(QStringLiteral("select * from STATIS WHERE ID_ZAK=?"));
    const TSeries recFloor = measure(2, g_reps / 2, [&] {
        one.addBindValue(busiest);
        readAll(one);
        reports.addBindValue(busiest);
        readAll(reports);
    });
    report({QStringLiteral("pupil record with 500 reports (queries, window, first paint)"),
            QStringLiteral("the record's two queries, bare"), rec, recFloor, TGoalKind::AbsoluteMs, 100.0});
}

// ---- a pupil's progress and the school's view ----

// One of the data layer's statements through Qt SQL alone, its values bound in order.
int readStatement(const QString& sql, const QVariantMap& values)
{
    const TStatement st = TStatement::parse(sql);
    QSqlQuery q(connection());
    q.setForwardOnly(true);
    if (!q.prepare(st.positional))
        fail(q.lastError().text());
    for (const QString& name : st.paramNames)
        q.addBindValue(values.value(name));
    return readAll(q);
}

void measureProgress()
{
    const int busiest = SyntheticBank::BusiestPupil;
    setSignedIn(busiest);
    TStatistikaDlg statistics;
    const QString since = Progress::recentSince(Clock::now()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    auto [stat, statFloor] = measurePair(
        2, g_reps,
        [&] {
            statistics.Load(busiest, QStringLiteral("Jméno Příjmení"));
            statistics.show();
            statistics.repaint();
            statistics.hide();
        },
        [&] {
            readStatement(TProgressData::SqlPassMinimum, {{QStringLiteral("ID_ZAK"), busiest}});
            readStatement(TProgressData::SqlLiveTests, {{QStringLiteral("ID_ZAK"), busiest}});
            readStatement(TProgressData::SqlGroupTallies,
                          {{QStringLiteral("ID_ZAK"), busiest}, {QStringLiteral("SINCE"), since}});
            readStatement(TProgressData::SqlPupilQuestionTallies, {{QStringLiteral("ID_ZAK"), busiest}});
        });
    report({QStringLiteral("statistics window, pupil with 500 scored tests (queries, figures, chart, paint)"),
            QStringLiteral("its four queries, bare"), stat, statFloor, TGoalKind::AbsoluteMs, 100.0});

    setSignedIn(PrivilegedPupilId);
    auto [reg, regFloor] = measurePair(
        2, g_reps / 2,
        [&] { (void)openAndPaint(ZakListDlg, QString(), [] { ZakListDlg->Execute(); }); },
        [&] {
            QSqlQuery all(connection());
            all.prepare(QStringLiteral("select * from zak, RP where RP.RP=zak.RP  order by prijmeni, jmeno "));
            readAll(all);
            readStatement(TProgressData::SqlSchoolFigures, {});
        });
    report({QStringLiteral("register with figures, 10 000 pupils, 5 000 000 kept answers (queries, window, paint)"),
            QStringLiteral("the register's query and the figures' query, bare"), reg, regFloor,
            TGoalKind::AbsoluteMs, 300.0});

    TFailedDlg failed;
    auto [fail5m, failFloor] = measurePair(
        1, 4, [&] { failed.Load(); }, [&] { readStatement(TProgressData::SqlSchoolQuestionTallies, {}); });
    report({QStringLiteral("questions failed most over 5 000 000 kept answers (query, order, list)"),
            QStringLiteral("its query, bare"), fail5m, failFloor, TGoalKind::Comparison, 0});
}

// ---- the report ----

QString firstLineOf(const QString& file, const QString& key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // files of /proc tell no size: read them whole
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(key)) {
            QString v = line.mid(line.indexOf(QRegularExpression(QStringLiteral("[:=]"))) + 1).trimmed();
            v.remove(u'"');
            return v;
        }
    }
    return {};
}

void printReport()
{
    QTextStream out(stdout);
    out << "## Machine\n\n";
    out << "- CPU: " << firstLineOf(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")) << ", "
        << sysconf(_SC_NPROCESSORS_ONLN) << " cores\n";
    out << "- Memory: " << firstLineOf(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal")) << "\n";
    out << "- OS: " << firstLineOf(QStringLiteral("/etc/os-release"), QStringLiteral("PRETTY_NAME"))
        << ", kernel " << QSysInfo::kernelVersion() << "\n";
    out << "- Compiler: " << __VERSION__ << "; build type " << FERDANO_BENCH_BUILD_TYPE << "; Qt "
        << qVersion() << "\n";
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        out << "- Load average at the end of the run: " << load[0] << " " << load[1] << " " << load[2]
            << "\n";
    out << "\n## Figures\n\n";
    out << "| Measurement | median | slowest | floor | floor median | floor slowest | ratio | goal | met |\n";
    out << "|---|---:|---:|---|---:|---:|---:|---|---|\n";
    for (const TRow& r : g_rows) {
        out << "| " << r.name << " | " << QString::number(r.value.median(), 'f', 3) << " " << r.unit << " | "
            << QString::number(r.value.slowest(), 'f', 3) << " " << r.unit << " | " << r.floorName << " | "
            << QString::number(r.floor.median(), 'f', 3) << " " << r.unit << " | "
            << QString::number(r.floor.slowest(), 'f', 3) << " " << r.unit << " | "
            << QString::number(r.ratio(), 'f', 2) << " | " << r.goal() << " | "
            << (r.kind == TGoalKind::Comparison ? "-" : r.met() ? "yes" : "**no**") << " |\n";
    }
    out << "\nEach figure: " << g_reps << " measured runs after a warm-up (" << g_reps * 10
        << " for the move without a picture, " << g_reps / 2
        << " for the pupil windows, 20 program starts); times in milliseconds, memory as the peak resident "
           "set "
           "(VmHWM) of the process.\n";
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        g_reps = std::max(4, QString::fromLocal8Bit(argv[1]).toInt());
    SetGeneralErrorSink([](const QString& text) { fail(QStringLiteral("error shown: ") + text); });
    TSystemDlg::setAutoAnswer([](const QString&, bool) { return false; });
    TResultDlg::setAutoAnswer([](const TResultDlg::Shown&) { return false; });

    QTemporaryDir work;
    // FERDANO_BENCH_KEEP=1 keeps the databases for a look at them afterwards
    if (qEnvironmentVariableIntValue("FERDANO_BENCH_KEEP") == 1) {
        work.setAutoRemove(false);
        std::fprintf(stderr, "the databases stay in %s\n", qPrintable(work.path()));
    }
    const QString sampleDir = work.filePath(QStringLiteral("sample"));
    const QString largeDir = work.filePath(QStringLiteral("large"));
    for (const QString& d : {sampleDir, largeDir})
        QDir().mkpath(d + QStringLiteral("/tmp"));
    std::fprintf(stderr, "building the sample bank...\n");
    const TBuildResult sample = Builder::buildSample(sampleDir + QStringLiteral("/DB"));
    if (!sample.ok)
        fail(sample.problems.join(u'\n'));
    std::fprintf(stderr, "building the large bank (100 000 questions, 10 000 pupils, 50 000 reports)...\n");
    const QString problem = SyntheticBank::build(largeDir + QStringLiteral("/DB"));
    if (!problem.isEmpty())
        fail(problem);
    const QByteArray hd = encodeJpeg(1920, 1080);
    const QByteArray huge = encodeJpeg(6000, 4000);
    prepareLargeBank(largeDir + QStringLiteral("/DB"), hd, huge);

    // the program beside each database, as it is installed
    const QString binDir = QCoreApplication::applicationDirPath();
    for (const QString& d : {sampleDir, largeDir})
        if (!QFile::copy(binDir + QStringLiteral("/ferdano"), d + QStringLiteral("/ferdano")))
            fail(QStringLiteral("cannot copy the program to ") + d);

    std::fprintf(stderr, "measuring...\n");
    // FERDANO_BENCH_ONLY=draws,progress measures only the named parts (start, window, draws, pupils,
    // progress), for work on one of them
    const QStringList only = qEnvironmentVariable("FERDANO_BENCH_ONLY").split(u',', Qt::SkipEmptyParts);
    auto wanted = [&only](const char* part) { return only.isEmpty() || only.contains(QLatin1String(part)); };
    if (wanted("start")) {
        measureDmCreate(QStringLiteral("sample database"), sampleDir, 20.0);
        measureDmCreate(QStringLiteral("large database"), largeDir, 100.0);
        const QString bare = binDir + QStringLiteral("/ferdano-bench-bare");
        measureProcesses(QStringLiteral("sample database"), sampleDir, bare, 20);
        measureProcesses(QStringLiteral("large database"), largeDir, bare, 20);
        measureFirstText(bare, sampleDir + QStringLiteral("/tmp"), 20);
    }

    TDM dm;
    dm.DMCreate(optionsFor(largeDir));
    const TBenchWindows windows;
    setSignedIn(3);
    if (wanted("window"))
        measureTestWindow(hd, huge);
    setSignedIn(3);
    if (wanted("draws"))
        measureDraws();
    if (wanted("pupils"))
        measurePupils();
    if (wanted("progress"))
        measureProgress();
    printReport();
    return 0;
}
