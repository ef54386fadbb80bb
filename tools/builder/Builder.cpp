// Import and export of a bank, with the atomic move of the new database into place.
#include "Builder.h"

#include "BankDatabase.h"
#include "BankSource.h"

#include "data/Engine.h"
#include "data/Error.h"
#include "data/SqliteEngine.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <filesystem>
#include <optional>

namespace {

// One connection of the builder, removed again when it goes out of scope.
class TConnection
{
public:
    explicit TConnection(const QString& file)
        : m_name(QStringLiteral("builder-") + QUuid::createUuid().toString(QUuid::Id128))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
    }
    ~TConnection() { QSqlDatabase::removeDatabase(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

QString targetFile(const QString& dbDir)
{
    return QDir(dbDir).filePath(QString::fromLatin1(SqliteFileName));
}

bool looksLikeOurs(QSqlDatabase& db)
{
    return db.tables().contains(QStringLiteral("ZAK"), Qt::CaseInsensitive) &&
           db.tables().contains(QStringLiteral("OTAZKA"), Qt::CaseInsensitive);
}

// Writes the bank (and kept records) into a temporary file beside the target and moves it in.
TBuildResult write(const QString& dbDir, const TBank* bank,
                   const std::optional<BankDatabase::TPupilRecords>& kept)
{
    TBuildResult result;
    if (!QDir().mkpath(dbDir)) {
        result.problems << QStringLiteral("%1: složku databáze nelze vytvořit").arg(dbDir);
        return result;
    }
    const QString target = targetFile(dbDir);
    const QString temp = target + QStringLiteral(".new");
    QFile::remove(temp);
    try {
        TConnection conn(temp);
        QSqlDatabase db = conn.db();
        if (!db.open())
            throw TError(db.lastError().text());
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        if (!db.transaction())
            throw TError(db.lastError().text());
        BankDatabase::createTables(db, TDialect::Sqlite);
        if (bank) {
            BankDatabase::writeBank(db, TDialect::Sqlite, *bank, !kept.has_value());
            if (kept) {
                const BankDatabase::TKeepResult k =
                    BankDatabase::writePupilRecords(db, TDialect::Sqlite, *kept, *bank);
                QSqlQuery has1(db);
                if (has1.exec(QStringLiteral("SELECT COUNT(*) FROM ZAK WHERE ID_ZAK=1")) && has1.next() &&
                    has1.value(0).toInt() == 0) {
                    // a database without the privileged pupil gets the bank's one
                    TBank only1 = *bank;
                    only1.pupils.clear();
                    for (const TBankPupil& p : bank->pupils)
                        if (p.id == 1)
                            only1.pupils << p;
                    QSqlQuery ins(db);
                    ins.prepare(QStringLiteral(
                        "INSERT INTO ZAK (ID_ZAK, RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, "
                        "TELEFON) VALUES (?,?,?,?,?,?,?,?,?)"));
                    for (const TBankPupil& p : only1.pupils) {
                        for (const QVariant& v : QVariantList{p.id, p.rc, p.password, p.surname, p.firstName,
                                                              p.title, p.category, p.address, p.telephone})
                            ins.addBindValue(v);
                        if (!ins.exec())
                            throw TError(ins.lastError().text());
                    }
                }
                result.notes << QStringLiteral(
                                    "zachováno žáků: %1, zpráv o testech: %2, neúspěšných testů: %3, "
                                    "chybných odpovědí: %4, výsledků odpovědí: %5")
                                    .arg(k.pupils)
                                    .arg(k.reports)
                                    .arg(k.failedTests)
                                    .arg(k.wrongAnswers)
                                    .arg(k.outcomes);
                result.notes << QStringLiteral(
                                    "vyřazeno neúspěšných testů (ZAKTEST), jejichž test v bance už není: %1")
                                    .arg(k.droppedFailedTests);
                result.notes << QStringLiteral(
                                    "vyřazeno chybných odpovědí (ZAKODP), jejichž otázka v bance už není: %1")
                                    .arg(k.droppedWrongAnswers);
                result.notes << QStringLiteral(
                                    "vyřazeno výsledků odpovědí (ZAKVYSL), jejichž otázka v bance už není: %1")
                                    .arg(k.droppedOutcomes);
                for (const QString& p : k.unknownCategories)
                    result.notes << QStringLiteral("pozor: žák %1 má skupinu, kterou nová banka nemá").arg(p);
            }
        }
        if (!db.commit())
            throw TError(db.lastError().text());
        db.close();
    } catch (const TError& e) {
        QFile::remove(temp);
        result.problems << QStringLiteral("%1: zápis databáze selhal: %2").arg(temp, e.message());
        return result;
    }
    // a journal left by a crashed station belongs to the old file and must not touch the new one
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(target + QLatin1String(suffix));
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temp.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (ec) {
        QFile::remove(temp);
        result.problems << QStringLiteral("%1: novou databázi nelze přesunout na místo (%2)")
                               .arg(target, QString::fromStdString(ec.message()));
        return result;
    }
    result.ok = true;
    result.notes.prepend(QStringLiteral("vytvořena databáze %1").arg(target));
    return result;
}

} // namespace

namespace Builder {

QString sampleBankDir()
{
    return QStringLiteral(FERDANO_BANK_DIR);
}

TBuildResult importBank(const QString& sourceDir, const QString& dbDir, const TBuildOptions& options)
{
    TBuildResult result;
    if (options.keepPupils && options.force) {
        result.problems << QStringLiteral("--keep-pupils a --force nelze použít zároveň");
        return result;
    }
    BankSource::TFiles files;
    TBank bank;
    if (!BankSource::readFolder(sourceDir, &files, &result.problems) ||
        !BankSource::parse(files, &bank, &result.problems)) {
        result.problems << QStringLiteral("banka nebyla načtena; databáze zůstala beze změny");
        return result;
    }

    std::optional<BankDatabase::TPupilRecords> kept;
    const QString target = targetFile(dbDir);
    // Replacing the file under a running station would lose the test its pupil has open.
    if (!options.force) {
        const int signedIn =
            TFileSignInLock::signedInCount(QDir(dbDir).filePath(QString::fromLatin1(LockFileName)));
        if (signedIn > 0) {
            result.problems << QStringLiteral(
                                   "%1: přihlášených žáků na stanicích: %2; zavřete Ferdano na všech "
                                   "stanicích a import opakujte (--force databázi nahradí i tak)")
                                   .arg(dbDir)
                                   .arg(signedIn);
            return result;
        }
    }
    if (QFile::exists(target) && !options.force) {
        try {
            TConnection conn(target);
            QSqlDatabase db = conn.db();
            if (!db.open() || !looksLikeOurs(db)) {
                result.problems << QStringLiteral(
                                       "%1: soubor není databáze programu Ferdano; přepíše ji jen --force")
                                       .arg(target);
                return result;
            }
            if (options.keepPupils)
                kept = BankDatabase::readPupilRecords(db);
            else if (BankDatabase::hasPupilRecords(db)) {
                result.problems << QStringLiteral(
                                       "%1: databáze obsahuje žáky; použijte --keep-pupils (žáci zůstanou) "
                                       "nebo --force (žáci budou smazáni)")
                                       .arg(target);
                return result;
            }
            db.close();
        } catch (const TError& e) {
            result.problems
                << QStringLiteral("%1: stávající databázi nelze přečíst: %2").arg(target, e.message());
            return result;
        }
    }
    result = write(dbDir, &bank, kept);
    result.warnings = BankSource::warnings(bank);
    if (result.ok)
        result.notes.insert(1,
                            QStringLiteral("banka %1: okruhů %2, otázek %3, obrázků %4, testů %5, skupin %6")
                                .arg(sourceDir)
                                .arg(bank.groups.size())
                                .arg(bank.questions.size())
                                .arg(BankDatabase::pictureIds(bank).size())
                                .arg(bank.tests.size())
                                .arg(bank.categories.size()));
    return result;
}

TBuildResult exportBank(const QString& dbDir, const QString& outDir)
{
    TBuildResult result;
    const QString source = targetFile(dbDir);
    if (!QFile::exists(source)) {
        result.problems << QStringLiteral("%1: databáze neexistuje").arg(source);
        return result;
    }
    TBank bank;
    try {
        TConnection conn(source);
        QSqlDatabase db = conn.db();
        if (!db.open() || !looksLikeOurs(db))
            throw TError(QStringLiteral("soubor není databáze programu Ferdano"));
        bank = BankDatabase::readBank(db);
        db.close();
    } catch (const TError& e) {
        result.problems << QStringLiteral("%1: %2").arg(source, e.message());
        return result;
    }
    if (!BankSource::writeFolder(outDir, BankSource::serialise(bank), &result.problems))
        return result;
    result.ok = true;
    result.notes << QStringLiteral("banka zapsána do %1 (otázek %2)").arg(outDir).arg(bank.questions.size());
    return result;
}

TBuildResult buildSample(const QString& dbDir, const TBuildOptions& options)
{
    return importBank(sampleBankDir(), dbDir, options);
}

TBuildResult buildEmpty(const QString& dbDir)
{
    return write(dbDir, nullptr, std::nullopt);
}

} // namespace Builder
