// The dataset layer: queries and table cursors that behave like those of a desktop database
// engine: rows held in memory, a cursor over them, edits in memory, cached updates.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class TEngine;

// One statement parameter, matched by name without regard to case.
struct TParam
{
    QString name;
    QVariant value;
};

class TDataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class RowStatus { Unmodified, Modified, Inserted };

    explicit TDataSet(const QString& name, QObject* parent = nullptr);
    ~TDataSet() override;

    QString name() const { return objectName(); }

    // ---- opening ----
    virtual void open();
    // Opens the set now and reads its rows when they are first looked at. The statement (with its
    // parameters as they are now) is checked against the database at once, so that a statement
    // the database refuses fails here as open() would; its rows are those of the first look.
    // For a set that is opened at start-up and seldom read.
    void openWhenUsed();
    // Runs the set's statement with its parameters and gives one field of every row as integers
    // (a null as 0), in the order of the rows, without keeping the rows: for reading ids by the ten
    // thousand. The set is closed first and stays closed. A field the statement does not give is an
    // error, as in valueAt().
    QVector<qint64> readIntegers(const QString& fieldName);
    // The same for several fields: `row` is given each row's values of `fieldNames`, in that
    // order, as the rows are read.
    void readRows(const QStringList& fieldNames, const std::function<void(const QVariant* values)>& row);
    // Still waiting for the first look at its rows.
    bool fetchPending() const { return m_fetchPending; }
    virtual void close();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // ---- cursor ----
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int distance);
    // Makes row `index` (0-based) current; clamps to the rows there are.
    void moveTo(int index);
    bool eof() const { return fetched().m_eof; }
    bool bof() const { return fetched().m_bof; }
    bool isEmpty() const { return fetched().m_rows.isEmpty(); }
    int recordCount() const { return int(fetched().m_rows.size()); }
    // 1-based number of the current row; 0 when there is none.
    int recNo() const { return fetched().m_rows.isEmpty() ? 0 : m_current + 1; }
    int currentIndex() const { return fetched().m_rows.isEmpty() ? -1 : m_current; }

    // ---- fields (names without regard to case) ----
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    int fieldIndex(const QString& name) const;
    QStringList fieldNames() const { return fetched().m_fieldNames; }
    QVariant value(const QString& name) const;
    QVariant valueAt(int row, const QString& name) const;
    bool isNull(const QString& name) const { return value(name).isNull(); }
    QString asString(const QString& name) const;
    int asInteger(const QString& name) const;
    QByteArray asBytes(const QString& name) const;
    QDateTime asDateTime(const QString& name) const;
    // A date-time as the engines give it: a QDateTime, or text as SQLite keeps it.
    static QDateTime dateTimeOf(const QVariant& value);
    // Needs edit or insert state.
    void setValue(const QString& name, const QVariant& value);

    // ---- editing in memory ----
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool readOnly() const { return m_readOnly; }
    virtual void edit();
    // Inserts an empty row before the current one (at the end of an empty set) and makes it current.
    void insert();
    // Adds an empty row at the end and makes it current.
    void append();
    void post();
    virtual void cancel();
    // Deletes the current row. The next row becomes current; deleting the last row makes the
    // previous row current and sets eof, so that a walk with next()/remove() ends there.
    void remove();
    // Posts a pending edit; every cursor move does this first.
    void checkBrowseMode();

    // ---- cached updates ----
    void setCachedUpdates(bool cached) { m_cached = cached; }
    bool cachedUpdates() const { return m_cached; }
    // Statements run by applyUpdates(): ":COL" takes a row's new value, ":OLD_COL" its old one.
    void setModifySql(const QString& sql) { m_modifySql = sql; }
    void setInsertSql(const QString& sql) { m_insertSql = sql; }
    void setDeleteSql(const QString& sql) { m_deleteSql = sql; }
    // The key the database assigns on insert; read back into the row after its insert ran.
    void setAutoKeyField(const QString& table, const QString& field)
    {
        m_autoKeyTable = table;
        m_autoKeyField = field;
    }
    bool updatesPending() const;
    // Runs the update statements for every pending row in one transaction; on failure rolls back,
    // keeps the cache as it was and throws TError.
    void applyUpdates();
    // Forgets the pending changes: the rows stay as they are now.
    void commitUpdates();
    // Restores the rows as they were read.
    void cancelUpdates();
    // applyUpdates() then commitUpdates(), after posting a pending edit.
    void postAndApply();

    // ---- parameters ----
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;
    const QVector<TParam>& params() const { return m_params; }

    // ---- filter search (used by table cursors) ----
    // Moves to the first row whose field equals value; false (cursor unchanged) when none.
    bool locate(const QString& field, const QVariant& value);

    // ---- the rows as they are now, to go back to ----
    class Snapshot;
    // The rows, the pending deletions and the cursor as they are now (a pending edit is posted first).
    Snapshot snapshot();
    // Puts the rows and the cursor back as the snapshot holds them.
    void restore(const Snapshot& snapshot);

    // ---- an in-memory row set, for tests and for sets built by code ----
    void openRows(const QStringList& fieldNames, const QVector<QVector<QVariant>>& rows);

signals:
    // The current row moved or the set was (re)loaded or closed: field is empty.
    // A field of the current row changed: field names it.
    void dataChange(const QString& field);
    void stateChange();

protected:
    virtual QString selectStatement() const = 0;
    void loadFromStatement(const QString& statement, const QVector<TParam>& params);
    void setState(State s);
    void ensureParamsFrom(const QString& statement);

    void requireActive() const;
    void requireRow() const;
    // Throws TError when the set is read-only.
    void requireWritable() const;
    // Reads the rows of a set opened by openWhenUsed(), once.
    const TDataSet& fetched() const;

private:
    struct Row
    {
        QVector<QVariant> values;
        QVector<QVariant> original;
        RowStatus status = RowStatus::Unmodified;
    };

    void scrolled();
    // Inserts an empty row before the current one, or adds it at the end, and makes it current.
    void addRow(bool atEnd);
    QVector<QVariant> bindValuesFor(const QString& statement, const Row& row) const;

    QStringList m_fieldNames;
    mutable int m_lastFieldIndex = -1; // the last answer of fieldIndex()
    QVector<Row> m_rows;
    QVector<Row> m_deleted;
    int m_current = 0;
    bool m_eof = true;
    bool m_bof = true;
    State m_state = State::Inactive;
    std::optional<Row> m_editBackup;
    int m_insertedAt = -1;
    bool m_readOnly = false;
    bool m_cached = false;
    QString m_modifySql, m_insertSql, m_deleteSql;
    QString m_autoKeyTable, m_autoKeyField;
    QVector<TParam> m_params;
    bool m_fetchPending = false;
    QString m_pendingStatement;
    QVector<TParam> m_pendingParams;
};

class TDataSet::Snapshot
{
    friend class TDataSet;
    QVector<Row> rows;
    QVector<Row> deleted;
    int current = 0;
    bool eof = true;
    bool bof = true;
};

// A query: statement text as lines, parameters by name.
class TQuery : public TDataSet
{
    Q_OBJECT
public:
    explicit TQuery(const QString& name, QObject* parent = nullptr);

    // The statement's lines; change them only while the query is closed.
    QStringList& sql() { return m_sql; }
    const QStringList& sql() const { return m_sql; }
    void setSql(const QStringList& lines);
    void clearSql() { m_sql.clear(); }
    void addLine(const QString& line) { m_sql.append(line); }
    QString text() const { return m_sql.join(u'\n'); }

    void open() override;
    // Runs an insert, update or delete; returns the number of rows it changed.
    int execSql();

protected:
    QString selectStatement() const override { return text(); }

private:
    QStringList m_sql;
};

// A table cursor: all rows of one table, optionally ordered by an index field.
// A cursor with a row lock takes the lock of its current row on edit() and holds it until
// cancel() or close(); nothing is ever posted through it.
class TSignInLock;
class TTable : public TDataSet
{
    Q_OBJECT
public:
    TTable(const QString& name, const QString& tableName, const QString& orderBy = QString(),
           QObject* parent = nullptr);
    QString tableName() const { return m_tableName; }

    void setRowLock(TSignInLock* lock, const QString& keyField)
    {
        m_lock = lock;
        m_lockKeyField = keyField;
    }
    void edit() override;
    void cancel() override;
    void close() override;
    // Reads the table again and moves the row lock to the row whose key is `key`. The new lock is
    // taken and the rows are read before the previous lock is let go: when the key is locked
    // elsewhere or has no row the result is false, and a database error is thrown; either way the
    // previously locked row stays locked (and current, in edit state, where it still has a row).
    bool moveLockTo(int key);
    // The key whose lock this cursor holds, or nullopt.
    std::optional<int> lockedKey() const { return m_lockedKey; }

protected:
    QString selectStatement() const override;

private:
    void releaseLock();
    QString m_tableName;
    QString m_orderBy;
    TSignInLock* m_lock = nullptr;
    QString m_lockKeyField;
    std::optional<int> m_lockedKey;
};
