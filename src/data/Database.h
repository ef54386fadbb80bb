// The database component "DB": the one named connection "Ferdano" and its engine.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class TEngine;

class TDatabase
{
public:
    static constexpr const char* ConnectionName = "Ferdano";

    // PATH is the database directory; NETDIR the shared control directory.
    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }
    void setNetDir(const QString& dir) { m_netDir = dir; }
    QString netDir() const { return m_netDir; }

    // Opens the engine that the directory names; throws TError with the engine's message.
    void open();
    void close();
    bool connected() const { return m_connected; }
    TEngine& engine() const;

    // Runs `writes` as one transaction: what they store is committed together, or, when one of
    // them throws, rolled back together and the error passed on (as TError with the user's text).
    // Cached updates applied meanwhile take part in this transaction instead of committing their
    // own; a nested call joins the transaction already open.
    void runInTransaction(const std::function<void()>& writes);
    bool inTransaction() const;

    // The connection that every dataset uses; nullptr while none is open.
    static TDatabase* current() { return s_current; }

    TDatabase();
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

private:
    QString m_path;
    QString m_netDir;
    std::unique_ptr<TEngine> m_engine;
    bool m_connected = false;
    static TDatabase* s_current;
};
