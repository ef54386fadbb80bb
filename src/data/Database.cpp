// The database component: opens the engine that the database directory names.
#include "Database.h"

#include "Engine.h"
#include "Error.h"

#include <QSqlError>

TDatabase* TDatabase::s_current = nullptr;

TDatabase::TDatabase() = default;

TDatabase::~TDatabase()
{
    close();
}

void TDatabase::open()
{
    if (m_connected)
        return;
    auto engine = TEngine::forDirectory(m_path);
    engine->open(QString::fromLatin1(ConnectionName));
    m_engine = std::move(engine);
    m_connected = true;
    s_current = this;
}

void TDatabase::close()
{
    if (m_engine)
        m_engine->close();
    m_engine.reset();
    m_connected = false;
    if (s_current == this)
        s_current = nullptr;
}

TEngine& TDatabase::engine() const
{
    if (!m_engine)
        throw TError(QStringLiteral("Database is not connected"));
    return *m_engine;
}

void TDatabase::runInTransaction(const std::function<void()>& writes)
{
    if (m_inTransaction) {
        writes();
        return;
    }
    TEngine& e = engine();
    QSqlDatabase db = e.database();
    if (!db.transaction())
        throw TError(e.errorText(db.lastError()));
    m_inTransaction = true;
    try {
        writes();
        if (!db.commit())
            throw TError(e.errorText(db.lastError()));
    } catch (...) {
        db.rollback();
        m_inTransaction = false;
        throw;
    }
    m_inTransaction = false;
}
