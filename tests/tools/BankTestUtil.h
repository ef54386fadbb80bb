// Helpers of the bank tests: sample source copies, table dumps and plain SQL on a database file.
#pragma once

#include "BankSource.h"
#include "Builder.h"

#include "data/Schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QtTest>

namespace BankTest {

inline BankSource::TFiles sampleFiles()
{
    BankSource::TFiles files;
    QStringList problems;
    if (!BankSource::readFolder(Builder::sampleBankDir(), &files, &problems))
        qFatal("sample bank unreadable: %s", qPrintable(problems.join(u'\n')));
    return files;
}

inline QString dbFile(const QString& dbDir)
{
    return dbDir + QStringLiteral("/ferdano.db");
}

inline QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Runs statements on a database file through a connection of its own.
class TSql
{
public:
    explicit TSql(const QString& dbDir) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(dbFile(dbDir));
        if (!db.open()) qFatal("cannot open %s", qPrintable(dbFile(dbDir)));
    }
    ~TSql()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    void exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql)) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql) || !q.next()) return {};
        return q.value(0);
    }
    // Every row of a table as text, blobs by their hash, sorted: order does not matter.
    QStringList dump(const QString& table)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(QStringLiteral("SELECT * FROM %1").arg(table)))
            return {QStringLiteral("error: ") + q.lastError().text()};
        QStringList rows;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                cells
                    << (v.typeId() == QMetaType::QByteArray
                            ? QString::fromLatin1(
                                  QCryptographicHash::hash(v.toByteArray(), QCryptographicHash::Sha1).toHex())
                            : v.toString());
            }
            rows << cells.join(u'|');
        }
        rows.sort();
        return rows;
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name); }

private:
    QString m_name;
};

} // namespace BankTest
