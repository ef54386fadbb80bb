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

bool TEngine::namesServer(const QString& dbDir)
{
    return QFileInfo::exists(QDir(dbDir).filePath(QString::fromLatin1(ServerFileName)));
}

std::unique_ptr<TEngine> TEngine::forDirectory(const QString& dbDir)
{
    if (namesServer(dbDir))
        return std::make_unique<TPgEngine>(TServerConfig::read(QDir(dbDir).filePath(QString::fromLatin1(ServerFileName))));
    return std::make_unique<TSqliteEngine>(dbDir);
}

void TEngine::preloadDriver(const QString& dbDir)
{
    const QString name = QStringLiteral("ferdano-driver-preload");
    QSqlDatabase::addDatabase(namesServer(dbDir) ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    QSqlDatabase::removeDatabase(name);
}
