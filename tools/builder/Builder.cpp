// Database creation: schema, bank, and the atomic move into place.
#include "Builder.h"

#include "SampleBank.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

void exec(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw TError(QStringLiteral("%1\n%2").arg(q.lastError().text(), sql));
}

template <typename Fill> TBuildResult build(const QString& dbDir, const TBuildOptions& options, Fill fill)
{
    TBuildResult result;
    QDir().mkpath(dbDir);
    const QString target = QDir(dbDir).filePath(QString::fromLatin1(SqliteFileName));
    if (QFile::exists(target) && !options.force) {
        // a database that holds pupils is never replaced unless asked to
        const QString conn = QStringLiteral("builder-check-") + QUuid::createUuid().toString(QUuid::Id128);
        bool hasPupils = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(target);
            if (db.open()) {
                QSqlQuery q(db);
                hasPupils = q.exec(QStringLiteral("SELECT COUNT(*) FROM ZAK WHERE ID_ZAK<>1")) && q.next() &&
                            q.value(0).toInt() > 0;
            }
        }
        QSqlDatabase::removeDatabase(conn);
        if (hasPupils) {
            result.problems << QStringLiteral("%1: the database holds pupils; use --force to replace it").arg(target);
            return result;
        }
    }
    const QString temp = target + QStringLiteral(".new");
    QFile::remove(temp);
    const QString conn = QStringLiteral("builder-") + QUuid::createUuid().toString(QUuid::Id128);
    try {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(temp);
            if (!db.open())
                throw TError(db.lastError().text());
            exec(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
            db.transaction();
            for (const QString& s : Schema::createStatements(TDialect::Sqlite))
                exec(db, s);
            fill(db);
            if (!db.commit())
                throw TError(db.lastError().text());
            db.close();
        }
        QSqlDatabase::removeDatabase(conn);
    } catch (const TError& e) {
        QSqlDatabase::removeDatabase(conn);
        QFile::remove(temp);
        result.problems << e.message();
        return result;
    }
    QFile::remove(target + QStringLiteral("-journal"));
    if (QFile::exists(target) && !QFile::remove(target)) {
        QFile::remove(temp);
        result.problems << QStringLiteral("%1: cannot replace the database").arg(target);
        return result;
    }
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        result.problems << QStringLiteral("%1: cannot move the new database into place").arg(target);
        return result;
    }
    result.ok = true;
    result.notes << QStringLiteral("created %1").arg(target);
    return result;
}

} // namespace

namespace Builder {

TBuildResult buildSample(const QString& dbDir, const TBuildOptions& options)
{
    return build(dbDir, options, [](QSqlDatabase& db) { SampleBank::load(db); });
}

TBuildResult buildEmpty(const QString& dbDir)
{
    TBuildOptions o;
    o.force = true;
    return build(dbDir, o, [](QSqlDatabase&) {});
}

} // namespace Builder
