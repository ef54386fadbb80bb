// Engine selection by the contents of the database directory.
#include "Engine.h"

#include "PgEngine.h"
#include "SqliteEngine.h"

#include <QDir>
#include <QSqlDatabase>
#include <QFileInfo>
#include <QSqlError>

QString TEngine::errorText(const QSqlError& error) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    return text;
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
