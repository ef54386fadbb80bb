// Bank <-> tables.
#include "BankDatabase.h"

#include "data/Error.h"
#include "pictures/FrameList.h"
#include "data/MessageCipher.h"
#include "pictures/Picture.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace BankDatabase {

namespace {

QSqlQuery run(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw TError(q.lastError().text() + u'\n' + sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw TError(q.lastError().text() + u'\n' + sql);
    return q;
}

QString insertSql(const QString& table, const QStringList& columns)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(u','), marks.join(u','));
}

QStringList columnsOf(const QString& table)
{
    QStringList out;
    for (const TColumnDef& c : Schema::table(table)->columns)
        out << c.name;
    return out;
}

QVector<QVariantList> rowsOf(QSqlDatabase& db, const QString& table)
{
    const QStringList cols = columnsOf(table);
    QSqlQuery q = run(db, QStringLiteral("SELECT %1 FROM %2").arg(cols.join(u','), table));
    QVector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        for (qsizetype i = 0; i < cols.size(); ++i)
            row << q.value(int(i));
        rows << row;
    }
    return rows;
}

void insertRows(QSqlDatabase& db, const QString& table, const QVector<QVariantList>& rows)
{
    const QString sql = insertSql(table, columnsOf(table));
    for (const QVariantList& r : rows)
        run(db, sql, r);
}

// An assigned key written explicitly must move PostgreSQL's sequence past it.
void syncSequence(QSqlDatabase& db, TDialect dialect, const QString& table, const QString& key)
{
    if (dialect != TDialect::Postgres)
        return;
    run(db,
        QStringLiteral(
            "SELECT setval(pg_get_serial_sequence('%1', '%2'), COALESCE((SELECT MAX(%2) FROM %1), 0) + 1, "
            "false)")
            .arg(table.toLower(), key.toLower()));
}

QString extensionOf(const QByteArray& bytes)
{
    switch (Picture::signatureKind(bytes)) {
    case Picture::Kind::Bitmap:
        return QStringLiteral("bmp");
    case Picture::Kind::Jpeg:
        return QStringLiteral("jpg");
    case Picture::Kind::Metafile:
        return quint8(bytes[0]) == 1 ? QStringLiteral("emf") : QStringLiteral("wmf");
    case Picture::Kind::None:
        break;
    }
    return QStringLiteral("bin");
}

// The frames of an animation with the graphic class of each picture's kind.
QVector<QPair<QString, QByteArray>> framesOf(const QStringList& names, const QMap<QString, QByteArray>& files)
{
    QVector<QPair<QString, QByteArray>> frames;
    for (const QString& name : names) {
        const QByteArray bytes = files.value(name);
        frames.append({Picture::signatureKind(bytes) == Picture::Kind::Jpeg ? QStringLiteral("TJPEGImage")
                                                                            : QStringLiteral("TBitmap"),
                       bytes});
    }
    return frames;
}

// A deleted pupil's reports and answers stay behind: the next new pupil's key must pass every key
// they name too, or the new pupil would inherit them.
void passRecordedPupils(QSqlDatabase& db, TDialect dialect)
{
    QSqlQuery q = run(db, QStringLiteral("SELECT MAX(ID_ZAK) FROM (SELECT ID_ZAK FROM ZAK UNION ALL SELECT ID_ZAK "
                                         "FROM STATIS UNION ALL SELECT ID_ZAK FROM ZAKTEST UNION ALL SELECT "
                                         "ID_ZAK FROM ZAKODP UNION ALL SELECT ID_ZAK FROM ZAKVYSL) AS K"));
    const int top = q.next() ? q.value(0).toInt() : 0;
    if (dialect == TDialect::Postgres) {
        run(db, QStringLiteral("SELECT setval(pg_get_serial_sequence('zak', 'id_zak'), ?, false)"), {top + 1});
        return;
    }
    run(db, QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'ZAK'"));
    run(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('ZAK', ?)"), {top});
}

} // namespace

QMap<QString, int> pictureIds(const TBank& bank)
{
    QStringList names;
    for (const TBankQuestion& q : bank.questions)
        if (!q.picture.isEmpty())
            names << q.picture;
    names.sort();
    names.removeDuplicates();
    QMap<QString, int> ids;
    for (qsizetype i = 0; i < names.size(); ++i)
        ids.insert(names[i], int(i) + 1);
    return ids;
}

void createTables(QSqlDatabase& db, TDialect dialect)
{
    for (const QString& s : Schema::createStatements(dialect))
        run(db, s);
}

void writeBank(QSqlDatabase& db, TDialect dialect, const TBank& bank, bool withPupils)
{
    for (const TBankGroup& g : bank.groups)
        run(db,
            insertSql(QStringLiteral("OKRUHOT"),
                      {"ID_OKRUH", "OKRUH", "PORADI", "Pocet", "PocetDef", "Picture"}),
            {g.id, g.name, g.order, g.count, g.liveCount,
             g.picture.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                 : QVariant(bank.files.value(g.picture))});

    const QMap<QString, int> pict = pictureIds(bank);
    for (auto it = pict.constBegin(); it != pict.constEnd(); ++it)
        run(db, insertSql(QStringLiteral("BMP"), {"ID_PICT", "BMP"}),
            {it.value(), bank.files.value(it.key())});

    const QString ask = insertSql(QStringLiteral("OTAZKA"), {"ID_OTAZKA", "ID_OKRUH", "OTAZKA", "ID_PICT",
                                                             "AA", "BB", "CC", "SKILL_LEVEL"});
    const QString answer = insertSql(QStringLiteral("ODPOVED"), {"ID_OTAZKA", "CHAR_ODP", "TEXT_ODP"});
    const QString explanation = insertSql(QStringLiteral("VYSVETLENI"), {"ID_OTAZKA", "TEXT"});
    for (const TBankQuestion& q : bank.questions) {
        run(db, ask,
            {q.id, q.group, q.text, q.picture.isEmpty() ? 0 : pict.value(q.picture), q.correct, q.points,
             q.preset, q.skills});
        for (qsizetype a = 0; a < q.answers.size(); ++a)
            run(db, answer, {q.id, QString(QChar(u'a' + int(a))), q.answers[a]});
        if (!q.explanation.isEmpty())
            run(db, explanation, {q.id, q.explanation});
    }

    for (const TBankTestType& t : bank.testTypes)
        run(db, insertSql(QStringLiteral("TYPTESTU"), {"ID_TYPTEST", "Popis"}), {t.id, t.description});
    for (const TBankTest& t : bank.tests) {
        run(db, insertSql(QStringLiteral("TEST"), {"ID_TEST", "ID_TYPTEST", "PORADI", "SKILL_LEVEL"}),
            {t.id, t.type, t.number, t.skills});
        for (qsizetype i = 0; i < t.questions.size(); ++i)
            run(db, insertSql(QStringLiteral("TESTOTAZ"), {"ID_TEST", "ID_OTAZKA", "PORADI"}),
                {t.id, t.questions[i], int(i) + 1});
    }

    for (const TBankCategory& c : bank.categories)
        run(db,
            insertSql(QStringLiteral("RP"),
                      {"RP", "POPIS", "ID_AVI", "SKILL_LEVEL", "MINIMUM", "FLAG", "TYP"}),
            {c.code, c.description, c.animation, c.skillLevel, c.minimum, c.mandatoryGroup, c.typ});

    for (const TBankAnimation& a : bank.animations) {
        QByteArray blob;
        if (!a.blob.isEmpty()) {
            blob = bank.files.value(a.blob);
        } else {
            blob = WriteFrameList(framesOf(a.frames, bank.files));
        }
        run(db, insertSql(QStringLiteral("RES"), {"ID", "BLOB"}), {a.id, blob});
    }

    run(db, insertSql(QStringLiteral("MESSAGE"), {"Message"}), {MessageCipher::encipherLines(bank.messages)});
    for (const auto& c : bank.constants)
        run(db, insertSql(QStringLiteral("FNKonst"), {"ConstName", "ConstValue"}), {c.first, c.second});

    if (withPupils) {
        for (const TBankPupil& p : bank.pupils)
            run(db,
                insertSql(QStringLiteral("ZAK"),
                          {"ID_ZAK", "RC", "HESLO", "PRIJMENI", "JMENO", "TITUL", "RP", "ADRESA", "TELEFON"}),
                {p.id, p.rc, p.password, p.surname, p.firstName, p.title, p.category, p.address,
                 p.telephone});
        syncSequence(db, dialect, QStringLiteral("ZAK"), QStringLiteral("ID_ZAK"));
    }
}

TBank readBank(QSqlDatabase& db)
{
    TBank bank;
    QSqlQuery q =
        run(db, QStringLiteral("SELECT ID_OKRUH, OKRUH, PORADI, Pocet, PocetDef, Picture FROM OKRUHOT "
                               "ORDER BY PORADI, ID_OKRUH"));
    while (q.next()) {
        TBankGroup g;
        g.id = q.value(0).toInt();
        g.name = q.value(1).toString();
        g.order = q.value(2).toInt();
        g.count = q.value(3).toInt();
        g.liveCount = q.value(4).toInt();
        const QByteArray picture = q.value(5).toByteArray();
        if (!picture.isEmpty()) {
            g.picture = QStringLiteral("pictures/okruh%1.%2").arg(g.id).arg(extensionOf(picture));
            bank.files.insert(g.picture, picture);
        }
        bank.groups << g;
    }

    QMap<int, QString> pictureFiles;
    q = run(db, QStringLiteral("SELECT ID_PICT, BMP FROM BMP ORDER BY ID_PICT"));
    while (q.next()) {
        const QByteArray bytes = q.value(1).toByteArray();
        const QString name = QStringLiteral("pictures/q%1.%2")
                                 .arg(q.value(0).toInt(), 4, 10, QChar(u'0'))
                                 .arg(extensionOf(bytes));
        pictureFiles.insert(q.value(0).toInt(), name);
        bank.files.insert(name, bytes);
    }
    QMap<int, QStringList> answers;
    q = run(db, QStringLiteral("SELECT ID_OTAZKA, TEXT_ODP FROM ODPOVED ORDER BY ID_OTAZKA, CHAR_ODP"));
    while (q.next())
        answers[q.value(0).toInt()] << q.value(1).toString();
    // a database made before the explanations has no table for them
    QMap<int, QString> explanations;
    if (db.tables().contains(QStringLiteral("VYSVETLENI"), Qt::CaseInsensitive)) {
        q = run(db, QStringLiteral("SELECT ID_OTAZKA, TEXT FROM VYSVETLENI"));
        while (q.next())
            explanations.insert(q.value(0).toInt(), q.value(1).toString());
    }
    q = run(db,
            QStringLiteral("SELECT ID_OTAZKA, ID_OKRUH, OTAZKA, ID_PICT, AA, BB, CC, SKILL_LEVEL FROM OTAZKA "
                           "ORDER BY ID_OTAZKA"));
    while (q.next()) {
        TBankQuestion x;
        x.id = q.value(0).toInt();
        x.group = q.value(1).toInt();
        x.text = q.value(2).toString();
        x.picture = pictureFiles.value(q.value(3).toInt());
        x.correct = q.value(4).toString();
        x.points = q.value(5).toInt();
        x.preset = q.value(6).toString();
        x.skills = q.value(7).toString();
        x.answers = answers.value(x.id);
        x.explanation = explanations.value(x.id);
        bank.questions << x;
    }
    // a picture that no question uses would get another number on the way back: leave it out
    QSet<QString> used;
    for (const TBankQuestion& x : std::as_const(bank.questions))
        used.insert(x.picture);
    for (const QString& name : std::as_const(pictureFiles))
        if (!used.contains(name))
            bank.files.remove(name);

    q = run(db, QStringLiteral("SELECT ID_TYPTEST, Popis FROM TYPTESTU ORDER BY ID_TYPTEST"));
    while (q.next())
        bank.testTypes << TBankTestType{q.value(0).toInt(), q.value(1).toString()};
    QMap<int, QVector<int>> testQuestions;
    q = run(db, QStringLiteral("SELECT ID_TEST, ID_OTAZKA FROM TESTOTAZ ORDER BY ID_TEST, PORADI"));
    while (q.next())
        testQuestions[q.value(0).toInt()] << q.value(1).toInt();
    q = run(db, QStringLiteral("SELECT ID_TEST, ID_TYPTEST, PORADI, SKILL_LEVEL FROM TEST ORDER BY ID_TEST"));
    while (q.next()) {
        TBankTest t;
        t.id = q.value(0).toInt();
        t.type = q.value(1).toInt();
        t.number = q.value(2).toInt();
        t.skills = q.value(3).toString();
        t.questions = testQuestions.value(t.id);
        bank.tests << t;
    }

    q = run(db,
            QStringLiteral("SELECT RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP FROM RP ORDER BY RP"));
    while (q.next())
        bank.categories << TBankCategory{q.value(0).toString().trimmed(),
                                         q.value(1).toString(),
                                         q.value(2).toInt(),
                                         q.value(3).toInt(),
                                         q.value(4).toInt(),
                                         q.value(5).toInt(),
                                         q.value(6).toString()};

    q = run(db, QStringLiteral("SELECT ID, BLOB FROM RES ORDER BY ID"));
    while (q.next()) {
        TBankAnimation a;
        a.id = q.value(0).toInt();
        const QByteArray blob = q.value(1).toByteArray();
        const TFrameEntries entries = ReadFrameEntries(blob);
        QStringList names;
        QMap<QString, QByteArray> frameFiles;
        for (qsizetype i = 0; i < entries.entries.size(); ++i) {
            const QString name = QStringLiteral("animations/res%1_%2.%3")
                                     .arg(a.id)
                                     .arg(int(i) + 1, 2, 10, QChar(u'0'))
                                     .arg(extensionOf(entries.entries[i].bytes));
            names << name;
            frameFiles.insert(name, entries.entries[i].bytes);
        }
        // frames are written back as files only when the import would store them byte for byte
        if (!blob.isEmpty() && entries.ok && !names.isEmpty() &&
            WriteFrameList(framesOf(names, frameFiles)) == blob) {
            a.frames = names;
            for (auto it = frameFiles.constBegin(); it != frameFiles.constEnd(); ++it)
                bank.files.insert(it.key(), it.value());
        } else { // kept byte for byte when it is not a list that would be written back the same
            a.blob = QStringLiteral("animations/res%1.bin").arg(a.id);
            bank.files.insert(a.blob, blob);
        }
        bank.animations << a;
    }

    q = run(db, QStringLiteral("SELECT Message FROM MESSAGE"));
    if (q.next())
        MessageCipher::decipherLines(q.value(0).toByteArray(), &bank.messages);
    q = run(db, QStringLiteral("SELECT ConstName, ConstValue FROM FNKonst ORDER BY ConstName"));
    while (q.next())
        bank.constants.append({q.value(0).toString(), q.value(1).toString()});

    q = run(db,
            QStringLiteral("SELECT ID_ZAK, RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON FROM ZAK "
                           "WHERE ID_ZAK=1"));
    while (q.next())
        bank.pupils << TBankPupil{q.value(0).toInt(),    q.value(1).toString(), q.value(2).toString(),
                                  q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                                  q.value(6).toString(), q.value(7).toString(), q.value(8).toString()};
    return bank;
}

bool hasPupilRecords(QSqlDatabase& db)
{
    QStringList counts = {QStringLiteral("SELECT COUNT(*) FROM ZAK WHERE ID_ZAK<>1"),
                          QStringLiteral("SELECT COUNT(*) FROM STATIS"), QStringLiteral("SELECT COUNT(*) FROM ZAKTEST"),
                          QStringLiteral("SELECT COUNT(*) FROM ZAKODP")};
    if (db.tables().contains(QStringLiteral("ZAKVYSL"), Qt::CaseInsensitive))
        counts << QStringLiteral("SELECT COUNT(*) FROM ZAKVYSL");
    for (const QString& sql : std::as_const(counts)) {
        QSqlQuery q = run(db, sql);
        if (q.next() && q.value(0).toInt() > 0)
            return true;
    }
    return false;
}

TPupilRecords readPupilRecords(QSqlDatabase& db)
{
    TPupilRecords r;
    r.pupils = rowsOf(db, QStringLiteral("ZAK"));
    r.reports = rowsOf(db, QStringLiteral("STATIS"));
    r.failedTests = rowsOf(db, QStringLiteral("ZAKTEST"));
    r.wrongAnswers = rowsOf(db, QStringLiteral("ZAKODP"));
    if (db.tables().contains(QStringLiteral("ZAKVYSL"), Qt::CaseInsensitive))
        r.outcomes = rowsOf(db, QStringLiteral("ZAKVYSL"));
    return r;
}

TKeepResult writePupilRecords(QSqlDatabase& db, TDialect dialect, const TPupilRecords& records,
                              const TBank& bank)
{
    TKeepResult result;
    QSet<QString> categories;
    for (const TBankCategory& c : bank.categories)
        categories.insert(c.code);
    QSet<int> questions, tests;
    for (const TBankQuestion& q : bank.questions)
        questions.insert(q.id);
    for (const TBankTest& t : bank.tests)
        tests.insert(t.id);

    insertRows(db, QStringLiteral("ZAK"), records.pupils);
    result.pupils = int(records.pupils.size());
    const int rpColumn = int(columnsOf(QStringLiteral("ZAK")).indexOf(QStringLiteral("RP")));
    for (const QVariantList& p : records.pupils)
        if (!categories.contains(p.value(rpColumn).toString().trimmed()))
            result.unknownCategories << QStringLiteral("%1 (%2)").arg(p.value(0).toString(),
                                                                      p.value(rpColumn).toString());
    insertRows(db, QStringLiteral("STATIS"), records.reports);
    result.reports = int(records.reports.size());

    // Rows whose second column names a test or question that the bank still has are kept.
    const auto keepKnown = [&](const QString& table, const QVector<QVariantList>& rows, const QSet<int>& known,
                               int& kept, int& dropped) {
        QVector<QVariantList> keep;
        for (const QVariantList& r : rows)
            (known.contains(r.value(1).toInt()) ? (keep << r, kept) : dropped)++;
        insertRows(db, table, keep);
    };
    keepKnown(QStringLiteral("ZAKTEST"), records.failedTests, tests, result.failedTests, result.droppedFailedTests);
    keepKnown(QStringLiteral("ZAKODP"), records.wrongAnswers, questions, result.wrongAnswers,
              result.droppedWrongAnswers);
    keepKnown(QStringLiteral("ZAKVYSL"), records.outcomes, questions, result.outcomes, result.droppedOutcomes);
    passRecordedPupils(db, dialect);
    syncSequence(db, dialect, QStringLiteral("STATIS"), QStringLiteral("ID_STATIS"));
    return result;
}

} // namespace BankDatabase
