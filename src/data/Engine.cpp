// Engine selection by the contents of the database directory.
#include "Engine.h"

#include "PgEngine.h"
#include "SqliteEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

QString TEngine::errorText(const QSqlError& error) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    return text;
}

std::unique_ptr<TEngine> TEngine::forDirectory(const QString& dbDir)
{
    const QString serverFile = QDir(dbDir).filePath(QString::fromLatin1(ServerFileName));
    if (QFileInfo::exists(serverFile)) return std::make_unique<TPgEngine>(TServerConfig::read(serverFile));
    return std::make_unique<TSqliteEngine>(dbDir);
}
