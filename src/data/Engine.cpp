// Engine selection by the contents of the database directory.
#include "Engine.h"

#include "PgEngine.h"
#include "SqliteEngine.h"

#include "Error.h"

#include <QDateTime>
#include <QDir>
#include <QSqlDatabase>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

QString TEngine::errorText(const QSqlError& error) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    return text;
}

QVariant TEngine::bindValue(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value;
}

void TEngine::removeConnection()
{
    // A kept statement holds the connection open.
    forgetPreparedStatements();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void TEngine::closeConnection()
{
    if (m_connection.isEmpty())
        return;
    removeConnection();
    m_connection.clear();
}

QSqlQuery TEngine::preparedStatement(const QString& text)
{
    if (keepsPreparedStatements()) {
        if (const auto it = m_prepared.constFind(text); it != m_prepared.constEnd())
            return **it;
    }
    auto q = std::make_shared<QSqlQuery>(database());
    q->setForwardOnly(true);
    if (!q->prepare(text))
        throw TError(errorText(q->lastError()));
    if (keepsPreparedStatements()) {
        // The program runs a few dozen texts; the scratch query's one-off texts are dropped
        // when too many have gathered.
        if (m_prepared.size() >= MaxPreparedStatements)
            m_prepared.clear();
        m_prepared.insert(text, q);
    }
    return *q;
}

void TEngine::begin()
{
    TCall call(*this);
    QSqlDatabase db = database();
    if (!db.transaction())
        throw TError(errorText(db.lastError()));
    m_inTransaction = true;
}

void TEngine::commit()
{
    TCall call(*this);
    QSqlDatabase db = database();
    // A commit that fails leaves the transaction to the caller's rollback().
    if (!db.commit())
        throw TError(errorText(db.lastError()));
    m_inTransaction = false;
}

void TEngine::rollback() noexcept
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (!connectionUsable())
        return;
    try {
        TCall call(*this);
        database().rollback();
    } catch (...) {
        // the connection went meanwhile, and the transaction with it
    }
}

QString TEngine::serverFile(const QString& dbDir)
{
    return QDir(dbDir).filePath(QString::fromLatin1(ServerFileName));
}

std::unique_ptr<TEngine> TEngine::forDirectory(const QString& dbDir)
{
    const QString file = serverFile(dbDir);
    if (QFileInfo::exists(file))
        return std::make_unique<TPgEngine>(TServerConfig::read(file));
    return std::make_unique<TSqliteEngine>(dbDir);
}

void TEngine::preloadDriver(const QString& dbDir)
{
    const QString name = QStringLiteral("ferdano-driver-preload");
    QSqlDatabase::addDatabase(QFileInfo::exists(serverFile(dbDir)) ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    QSqlDatabase::removeDatabase(name);
}
