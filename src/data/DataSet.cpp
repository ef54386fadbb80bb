// Queries and table cursors held in memory, with cached updates applied in one transaction.
#include "DataSet.h"

#include "Database.h"
#include "Engine.h"
#include "Error.h"
#include "Format.h"
#include "SignInLock.h"
#include "Statement.h"
#include "Strings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <utility>

namespace {

TEngine& currentEngine()
{
    TDatabase* db = TDatabase::current();
    if (!db || !db->connected())
        throw TError(Str::DatabaseNotConnected);
    return db->engine();
}

// Prepares and runs one statement with named parameters taken from `lookup`. The caller holds a
// TEngine::TCall over the statement and the reading of its rows, which the driver may fetch from
// the server one by one. A statement without parameters runs unprepared (one round trip on a
// server) unless the engine keeps a prepared one for it already.
template <typename Lookup> QSqlQuery runStatement(const QString& text, Lookup lookup)
{
    TEngine& engine = currentEngine();
    const TStatement st = TStatement::parse(text);
    if (st.paramNames.isEmpty() && !engine.hasPreparedStatement(st.positional)) {
        QSqlQuery q(engine.database());
        q.setForwardOnly(true);
        if (!q.exec(st.positional))
            throw TError(engine.errorText(q.lastError()));
        return q;
    }
    QVector<QVariant> values;
    values.reserve(st.paramNames.size());
    for (const QString& p : st.paramNames)
        values.append(engine.bindValue(lookup(p)));
    for (int attempt = 0;; ++attempt) {
        QSqlQuery q = engine.preparedStatement(st.positional);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        if (q.exec())
            return q;
        const QSqlError error = q.lastError();
        // 0A000: a statement kept from before its tables changed (a new bank) whose rows now have
        // other columns; prepared anew it runs, outside a transaction that the error ended. Any
        // other failure leaves the statement as good as it was.
        const bool stale = error.nativeErrorCode() == QLatin1String("0A000");
        if (stale)
            engine.forgetPreparedStatement(st.positional);
        if (attempt > 0 || !stale || engine.inTransaction())
            throw TError(engine.errorText(error));
    }
}

// Prepares one statement without running it: the database checks its tables and columns. An
// engine that keeps its statements keeps this one for the statement's first run.
void checkStatement(const QString& text)
{
    TEngine& engine = currentEngine();
    TEngine::TCall call(engine);
    (void)engine.preparedStatement(TStatement::parse(text).positional);
}

} // namespace

TDataSet::TDataSet(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

TDataSet::~TDataSet() = default;

const TDataSet& TDataSet::fetched() const
{
    if (m_fetchPending) {
        auto* self = const_cast<TDataSet*>(this);
        self->m_fetchPending = false;
        const QVector<TParam> params = std::exchange(self->m_pendingParams, {});
        const QString statement = std::exchange(self->m_pendingStatement, {});
        // Nobody has seen the set without its rows, so the first look sends no change signal.
        const QSignalBlocker quiet(self);
        try {
            self->loadFromStatement(statement, params);
        } catch (...) {
            self->close(); // a set whose rows could not be read is closed, as a failed open() leaves it
            throw;
        }
    }
    return *this;
}

void TDataSet::requireActive() const
{
    fetched();
    if (m_state == State::Inactive)
        throw TError(Format(Str::DataSetClosed, {name()}));
}

void TDataSet::requireRow() const
{
    requireActive();
    if (m_rows.isEmpty())
        throw TError(Format(Str::DataSetEmpty, {name()}));
}

void TDataSet::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChange();
}

void TDataSet::open()
{
    if (active())
        return;
    loadFromStatement(selectStatement(), m_params);
}

QVector<qint64> TDataSet::readIntegers(const QString& fieldName)
{
    QVector<qint64> values;
    readRows({fieldName}, [&values](const QVariant* v) { values.append(v[0].toLongLong()); });
    return values;
}

void TDataSet::readRows(const QStringList& fieldNames, const std::function<void(const QVariant* values)>& row)
{
    close();
    TEngine::TCall call(currentEngine());
    QSqlQuery q = runStatement(selectStatement(), [this](const QString& p) { return param(p); });
    const QSqlRecord rec = q.record();
    QVector<int> fields;
    for (const QString& name : fieldNames) {
        int field = -1;
        for (int i = 0; i < rec.count() && field < 0; ++i)
            if (rec.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
                field = i;
        if (field < 0)
            throw TError(Format(Str::DataSetNoField, {this->name(), name}));
        fields.append(field);
    }
    QVector<QVariant> values(fields.size());
    while (q.next()) {
        for (int i = 0; i < fields.size(); ++i)
            values[i] = q.value(fields[i]);
        row(values.constData());
    }
}

void TDataSet::openWhenUsed()
{
    if (active())
        return;
    const QString statement = selectStatement();
    if (TrimText(statement).isEmpty())
        throw TError(Format(Str::DataSetNoStatement, {name(), QString()}));
    checkStatement(statement);
    m_pendingStatement = statement;
    m_pendingParams = m_params;
    m_fetchPending = true;
    m_current = 0;
    m_bof = m_eof = true;
    setState(State::Browse);
}

void TDataSet::loadFromStatement(const QString& statement, const QVector<TParam>& params)
{
    TEngine::TCall call(currentEngine());
    QSqlQuery q = runStatement(statement, [&params](const QString& p) {
        for (const TParam& v : params)
            if (v.name.compare(p, Qt::CaseInsensitive) == 0)
                return v.value;
        return QVariant();
    });
    const QSqlRecord rec = q.record();
    m_fieldNames.clear();
    m_lastFieldIndex = -1;
    for (int i = 0; i < rec.count(); ++i)
        m_fieldNames.append(rec.fieldName(i));
    m_rows.clear();
    m_deleted.clear();
    const int n = rec.count();
    while (q.next()) {
        Row row;
        row.values.resize(n);
        for (int i = 0; i < n; ++i)
            row.values[i] = q.value(i);
        row.original = row.values;
        m_rows.append(std::move(row));
    }
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    m_editBackup.reset();
    setState(State::Browse);
    emit dataChange(QString());
}

TDataSet::Snapshot TDataSet::snapshot()
{
    requireActive();
    checkBrowseMode();
    Snapshot s;
    s.rows = m_rows;
    s.deleted = m_deleted;
    s.current = m_current;
    s.eof = m_eof;
    s.bof = m_bof;
    return s;
}

void TDataSet::restore(const Snapshot& snapshot)
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    m_rows = snapshot.rows;
    m_deleted = snapshot.deleted;
    m_current = snapshot.current;
    m_eof = snapshot.eof;
    m_bof = snapshot.bof;
    emit dataChange(QString());
}

void TDataSet::openRows(const QStringList& fieldNames, const QVector<QVector<QVariant>>& rows)
{
    close();
    m_fieldNames = fieldNames;
    m_lastFieldIndex = -1;
    for (const auto& values : rows) {
        Row row;
        row.values = values;
        row.values.resize(fieldNames.size());
        row.original = row.values;
        m_rows.append(std::move(row));
    }
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    setState(State::Browse);
    emit dataChange(QString());
}

void TDataSet::close()
{
    m_fetchPending = false;
    m_pendingStatement.clear();
    m_pendingParams.clear();
    if (!active())
        return;
    m_rows.clear();
    m_deleted.clear();
    m_fieldNames.clear();
    m_lastFieldIndex = -1;
    m_editBackup.reset();
    m_current = 0;
    m_bof = m_eof = true;
    setState(State::Inactive);
    emit dataChange(QString());
}

// ---- cursor ----

void TDataSet::scrolled()
{
    emit dataChange(QString());
}

void TDataSet::first()
{
    requireActive();
    checkBrowseMode();
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    scrolled();
}

void TDataSet::last()
{
    requireActive();
    checkBrowseMode();
    m_current = m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.isEmpty();
    scrolled();
}

void TDataSet::next()
{
    moveBy(1);
}

void TDataSet::prior()
{
    moveBy(-1);
}

void TDataSet::moveBy(int distance)
{
    requireActive();
    checkBrowseMode();
    if (m_rows.isEmpty()) {
        m_bof = m_eof = true;
        return;
    }
    const int n = int(m_rows.size());
    const int before = m_current;
    const qint64 target = qint64(m_current) + distance;
    if (target >= n) {
        m_current = n - 1;
        m_eof = true;
        m_bof = false;
    } else if (target < 0) {
        m_current = 0;
        m_bof = true;
        m_eof = false;
    } else {
        m_current = int(target);
        m_bof = m_eof = false;
    }
    if (m_current != before)
        scrolled();
}

void TDataSet::moveTo(int index)
{
    requireActive();
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    const int clamped = std::clamp(index, 0, int(m_rows.size()) - 1);
    const bool moved = clamped != m_current;
    m_current = clamped;
    m_bof = m_eof = false;
    if (moved)
        scrolled();
}

bool TDataSet::locate(const QString& field, const QVariant& value)
{
    requireActive();
    const int f = fieldIndex(field);
    if (f < 0)
        throw TError(Format(Str::DataSetNoField, {name(), field}));
    for (int i = 0; i < m_rows.size(); ++i) {
        const QVariant& v = m_rows[i].values[f];
        if (!v.isNull() && v.toString() == value.toString()) {
            moveTo(i);
            return true;
        }
    }
    return false;
}

// ---- fields ----

int TDataSet::fieldIndex(const QString& name) const
{
    fetched();
    // Callers read the same field row after row: the last answer is tried first. A field that
    // equals the name exactly is also the first that equals it without regard to case, since the
    // cached index was the first such field for a name of the same letters.
    const int last = m_lastFieldIndex;
    if (last >= 0 && last < m_fieldNames.size() && m_fieldNames[last] == name)
        return last;
    for (int i = 0; i < m_fieldNames.size(); ++i)
        if (m_fieldNames[i] == name || m_fieldNames[i].compare(name, Qt::CaseInsensitive) == 0) {
            m_lastFieldIndex = i;
            return i;
        }
    return -1;
}

QVariant TDataSet::value(const QString& name) const
{
    requireActive();
    const int f = fieldIndex(name);
    if (f < 0)
        throw TError(Format(Str::DataSetNoField, {this->name(), name}));
    if (m_rows.isEmpty())
        return QVariant();
    return m_rows[m_current].values[f];
}

QVariant TDataSet::valueAt(int row, const QString& name) const
{
    requireActive();
    const int f = fieldIndex(name);
    if (f < 0)
        throw TError(Format(Str::DataSetNoField, {this->name(), name}));
    if (row < 0 || row >= m_rows.size())
        return QVariant();
    return m_rows[row].values[f];
}

QString TDataSet::asString(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v.toByteArray());
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v.toString();
}

int TDataSet::asInteger(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Bool:
        return v.toInt();
    case QMetaType::Double:
        return int(v.toDouble());
    default:
        return StrToInt(v.toString());
    }
}

QByteArray TDataSet::asBytes(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QByteArray();
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return v.toByteArray();
}

QDateTime TDataSet::asDateTime(const QString& name) const
{
    return dateTimeOf(value(name));
}

QDateTime TDataSet::dateTimeOf(const QVariant& v)
{
    if (v.isNull())
        return QDateTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(s, Qt::ISODate);
    return dt;
}

void TDataSet::setValue(const QString& name, const QVariant& value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw TError(Format(Str::DataSetNotEditing, {this->name()}));
    const int f = fieldIndex(name);
    if (f < 0)
        throw TError(Format(Str::DataSetNoField, {this->name(), name}));
    QVariant& slot = m_rows[m_current].values[f];
    if (slot == value && slot.isNull() == value.isNull())
        return;
    slot = value;
    emit dataChange(m_fieldNames[f]);
}

// ---- editing ----

void TDataSet::requireWritable() const
{
    if (m_readOnly)
        throw TError(Format(Str::DataSetReadOnly, {name()}));
}

void TDataSet::edit()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    requireWritable();
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_editBackup = m_rows[m_current];
    setState(State::Edit);
}

void TDataSet::insert()
{
    addRow(false);
}

void TDataSet::append()
{
    addRow(true);
}

void TDataSet::addRow(bool atEnd)
{
    requireActive();
    requireWritable();
    checkBrowseMode();
    Row row;
    row.values.resize(m_fieldNames.size());
    row.original = row.values;
    row.status = RowStatus::Inserted;
    // Placed after the pending edit is posted, which may move the current row.
    const int at = atEnd ? int(m_rows.size()) : m_rows.isEmpty() ? 0 : m_current;
    m_rows.insert(at, row);
    m_current = at;
    m_insertedAt = at;
    m_bof = m_eof = false;
    setState(State::Insert);
    emit dataChange(QString());
}

void TDataSet::post()
{
    if (m_state == State::Edit) {
        Row& row = m_rows[m_current];
        if (row.status == RowStatus::Unmodified && row.values != row.original)
            row.status = RowStatus::Modified;
        m_editBackup.reset();
        setState(State::Browse);
    } else if (m_state == State::Insert) {
        m_insertedAt = -1;
        setState(State::Browse);
    }
}

void TDataSet::cancel()
{
    if (m_state == State::Edit) {
        if (m_editBackup)
            m_rows[m_current] = *m_editBackup;
        m_editBackup.reset();
        setState(State::Browse);
        emit dataChange(QString());
    } else if (m_state == State::Insert) {
        if (m_insertedAt >= 0 && m_insertedAt < m_rows.size())
            m_rows.remove(m_insertedAt);
        m_insertedAt = -1;
        if (m_current >= m_rows.size())
            m_current = std::max(0, int(m_rows.size()) - 1);
        m_bof = m_current == 0;
        m_eof = m_rows.isEmpty();
        setState(State::Browse);
        emit dataChange(QString());
    }
}

void TDataSet::checkBrowseMode()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void TDataSet::remove()
{
    requireRow();
    requireWritable();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit) {
        if (m_editBackup)
            m_rows[m_current] = *m_editBackup;
        m_editBackup.reset();
        setState(State::Browse);
    }
    Row row = m_rows.takeAt(m_current);
    if (row.status != RowStatus::Inserted) {
        row.values = row.original; // a deletion is applied to the row as it was read
        m_deleted.append(std::move(row));
    }
    if (m_rows.isEmpty()) {
        m_current = 0;
        m_bof = m_eof = true;
    } else if (m_current >= m_rows.size()) {
        m_current = int(m_rows.size()) - 1;
        m_eof = true;
        m_bof = false;
    } else {
        m_bof = m_eof = false;
    }
    emit dataChange(QString());
}

// ---- cached updates ----

bool TDataSet::updatesPending() const
{
    if (m_fetchPending)
        return false; // nothing read, nothing changed
    if (!m_deleted.isEmpty())
        return true;
    for (const Row& r : m_rows)
        if (r.status != RowStatus::Unmodified)
            return true;
    if (m_state == State::Edit && m_rows[m_current].values != m_rows[m_current].original)
        return true;
    return m_state == State::Insert;
}

QVector<QVariant> TDataSet::bindValuesFor(const QString& statement, const Row& row) const
{
    const TStatement st = TStatement::parse(statement);
    QVector<QVariant> out;
    out.reserve(st.paramNames.size());
    for (const QString& p : st.paramNames) {
        const bool old = p.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive);
        const int f = fieldIndex(old ? p.mid(4) : p);
        if (f < 0)
            out.append(QVariant());
        else
            out.append(old ? row.original[f] : row.values[f]);
    }
    return out;
}

void TDataSet::applyUpdates()
{
    requireActive();
    if (!m_cached)
        throw TError(Format(Str::DataSetNotCached, {name()}));
    checkBrowseMode();
    if (!updatesPending())
        return;

    TEngine& engine = currentEngine();
    // Inside a transaction of the caller's, the rows are stored with it or not at all.
    const bool joined = engine.inTransaction();
    if (!joined)
        engine.begin();

    struct NewKey
    {
        int row;
        QVariant key;
    };
    QVector<NewKey> newKeys;
    auto run = [&](const QString& sql, const Row& row, const char* what) {
        if (sql.isEmpty())
            throw TError(Format(Str::DataSetNoStatement, {name(), QLatin1String(what)}));
        const QVector<QVariant> values = bindValuesFor(sql, row);
        int i = 0;
        TEngine::TCall call(engine);
        return runStatement(sql, [&](const QString&) { return values.value(i++); });
    };
    try {
        for (const Row& row : std::as_const(m_deleted))
            run(m_deleteSql, row, "delete");
        for (int r = 0; r < m_rows.size(); ++r) {
            const Row& row = m_rows[r];
            if (row.status == RowStatus::Modified) {
                run(m_modifySql, row, "modify");
            } else if (row.status == RowStatus::Inserted) {
                QSqlQuery q = run(m_insertSql, row, "insert");
                if (!m_autoKeyField.isEmpty() && fieldIndex(m_autoKeyField) >= 0)
                    newKeys.append({r, engine.lastInsertId(q, m_autoKeyTable, m_autoKeyField)});
            }
        }
        if (!joined)
            engine.commit();
    } catch (...) {
        if (!joined)
            engine.rollback();
        throw;
    }
    const int keyIndex = fieldIndex(m_autoKeyField);
    for (const NewKey& k : std::as_const(newKeys)) {
        if (!k.key.isValid() || k.key.isNull())
            continue;
        m_rows[k.row].values[keyIndex] = k.key.toInt();
        m_rows[k.row].original[keyIndex] = k.key.toInt();
    }
    if (!newKeys.isEmpty())
        emit dataChange(m_autoKeyField);
}

void TDataSet::commitUpdates()
{
    m_deleted.clear();
    for (Row& r : m_rows) {
        r.original = r.values;
        r.status = RowStatus::Unmodified;
    }
}

void TDataSet::cancelUpdates()
{
    if (!active())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    QVector<Row> kept;
    kept.reserve(m_rows.size() + m_deleted.size());
    for (Row& r : m_rows) {
        if (r.status == RowStatus::Inserted)
            continue;
        r.values = r.original;
        r.status = RowStatus::Unmodified;
        kept.append(std::move(r));
    }
    for (Row& r : m_deleted) {
        r.status = RowStatus::Unmodified;
        kept.append(std::move(r));
    }
    m_deleted.clear();
    m_rows = std::move(kept);
    if (m_current >= m_rows.size())
        m_current = std::max(0, int(m_rows.size()) - 1);
    m_bof = m_current == 0;
    m_eof = m_rows.isEmpty();
    emit dataChange(QString());
}

void TDataSet::postAndApply()
{
    checkBrowseMode();
    applyUpdates();
    commitUpdates();
}

// ---- parameters ----

void TDataSet::setParam(const QString& name, const QVariant& value)
{
    for (TParam& p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return;
        }
    m_params.append({name, value});
}

QVariant TDataSet::param(const QString& name) const
{
    for (const TParam& p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p.value;
    return QVariant();
}

void TDataSet::ensureParamsFrom(const QString& statement)
{
    for (const QString& p : TStatement::parse(statement).paramNames)
        if (!param(p).isValid())
            setParam(p, QVariant());
}

// ---- TQuery ----

TQuery::TQuery(const QString& name, QObject* parent) : TDataSet(name, parent) {}

void TQuery::setSql(const QStringList& lines)
{
    m_sql = lines;
}

void TQuery::open()
{
    if (active())
        return;
    if (TrimText(text()).isEmpty())
        throw TError(Format(Str::DataSetNoStatement, {name(), QString()}));
    TDataSet::open();
}

int TQuery::execSql()
{
    TEngine::TCall call(currentEngine());
    QSqlQuery q = runStatement(text(), [this](const QString& p) { return param(p); });
    return q.numRowsAffected();
}

// ---- TTable ----

TTable::TTable(const QString& name, const QString& tableName, const QString& orderBy, QObject* parent)
    : TDataSet(name, parent), m_tableName(tableName), m_orderBy(orderBy)
{
}

QString TTable::selectStatement() const
{
    QString s = QStringLiteral("select * from ") + m_tableName;
    if (!m_orderBy.isEmpty())
        s += QStringLiteral(" order by ") + m_orderBy;
    return s;
}

void TTable::edit()
{
    if (!m_lock) {
        TDataSet::edit();
        return;
    }
    requireActive();
    if (state() == State::Edit)
        return;
    if (isEmpty())
        throw TError(Format(Str::DataSetEmpty, {name()}));
    const int key = asInteger(m_lockKeyField);
    if (!m_lock->tryLock(key))
        throw TError(Str::RowLockedElsewhere);
    m_lockedKey = key;
    TDataSet::edit();
}

void TTable::releaseLock()
{
    if (m_lock && m_lockedKey)
        m_lock->release(*m_lockedKey);
    m_lockedKey.reset();
}

void TTable::cancel()
{
    TDataSet::cancel();
    releaseLock();
}

void TTable::close()
{
    if (state() == State::Edit)
        TDataSet::cancel();
    releaseLock();
    TDataSet::close();
}

bool TTable::moveLockTo(int key)
{
    if (!m_lock)
        throw TError(Format(Str::DataSetNoRowLock, {name()}));
    const std::optional<int> previous = m_lockedKey;
    if (previous && *previous == key && state() == State::Edit && m_lock->isHeld(key))
        return true;
    const bool heldBefore = m_lock->isHeld(key);
    if (!m_lock->tryLock(key))
        return false;
    const auto giveBack = [&] {
        if (!heldBefore)
            m_lock->release(key);
    };
    try {
        // The rows are replaced only once the new ones have been read; the edit state of the
        // previous row ends with them, its lock does not.
        if (active() && !fetchPending()) {
            loadFromStatement(selectStatement(), params());
        } else {
            close();
            open();
        }
    } catch (...) {
        giveBack();
        throw;
    }
    if (locate(m_lockKeyField, key)) {
        if (previous && *previous != key)
            m_lock->release(*previous);
        m_lockedKey = key;
        TDataSet::edit();
        return true;
    }
    giveBack();
    if (previous && locate(m_lockKeyField, *previous))
        TDataSet::edit();
    return false;
}
