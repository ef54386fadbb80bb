// Copying a built database into a PostgreSQL server database.
#include "ServerLoad.h"

#include "data/Error.h"
#include "data/Schema.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

namespace {

// Removes a named connection when it goes out of scope, whatever happens.
struct TConnection
{
    explicit TConnection(QString n) : name(std::move(n)) {}
    ~TConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    QString name;
};

void exec(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        throw TError(QStringLiteral("%1\n%2").arg(q.lastError().text(), sql));
}

qint64 scalar(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    exec(q, sql);
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool hasTable(QSqlDatabase db, const QString& table)
{
    QSqlQuery q(db);
    exec(q, QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(table.toLower()));
    return q.next() && q.value(0).toBool();
}

// The CREATE TABLE and CREATE INDEX statements of one table.
QStringList statementsFor(const QString& table)
{
    QStringList out;
    const QString create = QStringLiteral("CREATE TABLE %1 (").arg(table);
    const QString index = QStringLiteral(" ON %1 (").arg(table);
    for (const QString& s : Schema::createStatements(TDialect::Postgres))
        if (s.startsWith(create, Qt::CaseInsensitive) || s.contains(index, Qt::CaseInsensitive))
            out << s;
    return out;
}

// A value read from SQLite in the form the server column takes.
QVariant serverValue(const QVariant& v, TColumnType type)
{
    if (v.isNull())
        return QVariant();
    switch (type) {
    case TColumnType::Integer:
    case TColumnType::Key:
    case TColumnType::AutoKey: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok)
            throw TError(QStringLiteral("'%1' is not a whole number").arg(v.toString()));
        return n;
    }
    case TColumnType::Binary:
        return v.typeId() == QMetaType::QString ? v.toString().toUtf8() : v.toByteArray();
    case TColumnType::DateTime: {
        const QString s = v.toString().trimmed();
        QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid())
            throw TError(QStringLiteral("'%1' is not a date and time").arg(s));
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case TColumnType::Text:
    case TColumnType::LongText:
        return v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : v.toString();
    }
    return v;
}

int copyTable(QSqlDatabase from, QSqlDatabase to, const TTableDef& t)
{
    QStringList cols, marks;
    for (const TColumnDef& c : t.columns) {
        cols << c.name;
        marks << QStringLiteral("?");
    }
    QSqlQuery read(from);
    read.setForwardOnly(true);
    exec(read, QStringLiteral("SELECT %1 FROM %2").arg(cols.join(u','), t.name));
    QSqlQuery write(to);
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t.name, cols.join(u','), marks.join(u','));
    if (!write.prepare(insert))
        throw TError(QStringLiteral("%1\n%2").arg(write.lastError().text(), insert));
    int rows = 0;
    while (read.next()) {
        for (int i = 0; i < t.columns.size(); ++i) {
            try {
                write.addBindValue(serverValue(read.value(i), t.columns[i].type));
            } catch (const TError& e) {
                throw TError(QStringLiteral("%1.%2: %3").arg(t.name, t.columns[i].name, e.message()));
            }
        }
        if (!write.exec())
            throw TError(QStringLiteral("%1: %2").arg(t.name, write.lastError().text()));
        ++rows;
    }
    return rows;
}

// Sets every SERIAL sequence so that the next key follows the highest key there is.
// The keys of the tables written anew continue after their rows. The tables kept as they were
// keep their sequences: a deleted pupil's key, whose reports and answers stay, is not given again.
void resetSequences(QSqlDatabase db, const QStringList& written)
{
    QSqlQuery q(db);
    for (const TTableDef& t : Schema::tables())
        for (const TColumnDef& c : written.contains(t.name, Qt::CaseInsensitive) ? t.columns : QVector<TColumnDef>())
            if (c.type == TColumnType::AutoKey)
                exec(q, QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                                       "COALESCE((SELECT MAX(%2) FROM %1), 0) + 1, false)")
                            .arg(t.name.toLower(), c.name.toLower()));
}

// With the pupils kept under a new bank: their records that name questions or stored tests the
// bank no longer has would point at nothing and are dropped. Returns the lines for the output.
QStringList keptRecordsNotes(QSqlDatabase dst)
{
    QSqlQuery q(dst);
    // a server database made before the outcomes' table gets it, empty
    if (!hasTable(dst, QStringLiteral("ZAKVYSL")))
        for (const QString& s : statementsFor(QStringLiteral("ZAKVYSL")))
            exec(q, s);
    QStringList notes;
    notes << QStringLiteral("zachováno žáků: %1, zpráv o testech: %2")
                 .arg(scalar(dst, QStringLiteral("SELECT COUNT(*) FROM ZAK")))
                 .arg(scalar(dst, QStringLiteral("SELECT COUNT(*) FROM STATIS")));
    const struct
    {
        const char* sql;
        const char* note;
    } drops[] = {
        {"DELETE FROM ZAKODP WHERE ID_OTAZKA NOT IN (SELECT ID_OTAZKA FROM OTAZKA)",
         "vyřazeno chybných odpovědí (ZAKODP), jejichž otázka v bance už není: %1"},
        {"DELETE FROM ZAKVYSL WHERE ID_OTAZKA NOT IN (SELECT ID_OTAZKA FROM OTAZKA)",
         "vyřazeno výsledků odpovědí (ZAKVYSL), jejichž otázka v bance už není: %1"},
        {"DELETE FROM ZAKTEST WHERE ID_TEST NOT IN (SELECT ID_TEST FROM TEST)",
         "vyřazeno neúspěšných testů (ZAKTEST), jejichž test v bance už není: %1"},
    };
    for (const auto& d : drops) {
        exec(q, QString::fromUtf8(d.sql));
        if (q.numRowsAffected() > 0)
            notes << QString::fromUtf8(d.note).arg(q.numRowsAffected());
    }
    return notes;
}

} // namespace

namespace ServerLoad {

TBuildResult loadFromSqlite(const TServerConfig& config, const QString& sqliteFile,
                            const TServerLoadOptions& options)
{
    TBuildResult result;
    if (!QFileInfo::exists(sqliteFile)) {
        result.problems << QStringLiteral("%1: databáze neexistuje").arg(sqliteFile);
        return result;
    }
    const QString id = QUuid::createUuid().toString(QUuid::Id128);
    TConnection source(QStringLiteral("serverload-src-") + id);
    TConnection target(QStringLiteral("serverload-dst-") + id);
    try {
        {
            QSqlDatabase s = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), source.name);
            s.setDatabaseName(sqliteFile);
            s.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (!s.open())
                throw TError(s.lastError().text());
        }
        TPgEngine::connect(config, target.name);
        QSqlDatabase src = source.db();
        QSqlDatabase dst = target.db();
        const QString where = QStringLiteral("%1 na serveru %2").arg(config.database, config.host);

        // Replacing the tables under a running station would lose the test its pupil has open: the
        // stations' sign-in locks are the server's advisory locks of the program's class.
        if (!options.force) {
            const qint64 signedIn = scalar(
                dst, QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND granted "
                                    "AND objsubid = 2 AND classid = %1 AND database = (SELECT oid FROM "
                                    "pg_database WHERE datname = current_database())")
                         .arg(TAdvisorySignInLock::LockClass));
            if (signedIn > 0) {
                result.problems << QStringLiteral(
                                       "%1: přihlášených žáků na stanicích: %2; zavřete Ferdano na "
                                       "všech stanicích a import opakujte (--force databázi nahradí i "
                                       "tak)")
                                       .arg(where)
                                       .arg(signedIn);
                return result;
            }
        }

        // What the server database holds already.
        const bool hasPupilTables =
            hasTable(dst, QStringLiteral("ZAK")) && hasTable(dst, QStringLiteral("STATIS")) &&
            hasTable(dst, QStringLiteral("ZAKTEST")) && hasTable(dst, QStringLiteral("ZAKODP"));
        const bool keep = options.keepPupils && hasPupilTables;
        if (!keep && hasPupilTables && !options.force) {
            const qint64 pupils = scalar(dst, QStringLiteral("SELECT COUNT(*) FROM ZAK WHERE ID_ZAK<>1"));
            const qint64 reports = scalar(dst, QStringLiteral("SELECT COUNT(*) FROM STATIS"));
            if (pupils > 0 || reports > 0) {
                result.problems << QStringLiteral(
                                       "%1: databáze obsahuje žáků: %2, zpráv o testech: %3; nahradí je "
                                       "jen --force")
                                       .arg(where)
                                       .arg(pupils)
                                       .arg(reports);
                return result;
            }
        }

        if (!dst.transaction())
            throw TError(dst.lastError().text());
        try {
            QSqlQuery q(dst);
            exec(q, QStringLiteral("SET LOCAL client_min_messages = warning")); // no notice per missing table
            const QStringList replaced = keep ? Schema::referenceTables() : [] {
                QStringList all;
                for (const TTableDef& t : Schema::tables())
                    all << t.name;
                return all;
            }();
            for (const QString& t : replaced)
                exec(q, QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(t));
            for (const QString& t : replaced)
                for (const QString& s : statementsFor(t))
                    exec(q, s);
            const QStringList built = src.tables();
            for (const QString& name : replaced) {
                const TTableDef* t = Schema::table(name);
                // a database made before a table existed gives it empty
                const int rows = built.contains(t->name, Qt::CaseInsensitive) ? copyTable(src, dst, *t) : 0;
                result.notes << QStringLiteral("%1: řádků %2").arg(t->name).arg(rows);
            }
            if (keep)
                result.notes << keptRecordsNotes(dst);
            resetSequences(dst, replaced);
            if (!dst.commit())
                throw TError(dst.lastError().text());
        } catch (...) {
            dst.rollback();
            throw;
        }
        result.notes << QStringLiteral("nahráno do %1").arg(where);
        result.ok = true;
    } catch (const TError& e) {
        result.problems << e.message();
        result.ok = false;
    }
    return result;
}

TBuildResult loadSample(const TServerConfig& config, const TServerLoadOptions& options)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        TBuildResult r;
        r.problems << QStringLiteral("dočasnou složku nelze vytvořit");
        return r;
    }
    const TBuildResult built = Builder::buildSample(dir.path());
    if (!built.ok)
        return built;
    return loadFromSqlite(config, QDir(dir.path()).filePath(QString::fromLatin1(SqliteFileName)), options);
}

} // namespace ServerLoad
