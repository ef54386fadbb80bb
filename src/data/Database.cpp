// The database component: opens the engine that the database directory names.
#include "Database.h"

#include "Engine.h"
#include "Error.h"
#include "Strings.h"

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
        throw TError(Str::DatabaseNotConnected);
    return *m_engine;
}

void TDatabase::runInTransaction(const std::function<void()>& writes)
{
    TEngine& e = engine();
    if (e.inTransaction()) {
        writes();
        return;
    }
    e.begin();
    try {
        writes();
        e.commit();
    } catch (...) {
        e.rollback();
        throw;
    }
}

bool TDatabase::inTransaction() const
{
    return m_engine && m_engine->inTransaction();
}
