// The per-group question counts.
#include "GroupCounts.h"

#include "data/DataSet.h"

namespace GroupCounts {

namespace {

const QString CountField = QStringLiteral("Pocet");

bool isTyped(const QVariant& v)
{
    return v.typeId() == QMetaType::QString;
}

bool validText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return true;
    // A negative count is a count: its group gives nothing, as 0 does.
    bool ok = false;
    t.toInt(&ok);
    return ok;
}

QVariant asStored(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return QVariant();
    return QVariant(t.toInt());
}

} // namespace

int CountOf(const QVariant& value)
{
    if (value.isNull()) return 0;
    bool ok = false;
    const int n = isTyped(value) ? value.toString().trimmed().toInt(&ok) : value.toInt(&ok);
    return ok ? n : 0;
}

std::optional<QString> InvalidGroup(const TDataSet& groups)
{
    if (!groups.active() || groups.isEmpty()) return std::nullopt;
    for (int row = 0; row < groups.recordCount(); ++row) {
        const QVariant v = groups.valueAt(row, CountField);
        if (isTyped(v) && !validText(v.toString()))
            return groups.valueAt(row, QStringLiteral("OKRUH")).toString().trimmed();
    }
    return std::nullopt;
}

void Store(TDataSet& groups, const QString& currentText)
{
    if (!groups.active() || groups.isEmpty()) return;
    groups.edit();
    groups.setValue(CountField, asStored(currentText));
    groups.post();
    // Counts typed into other groups are still text; they are stored as the numbers they are.
    const int current = groups.currentIndex();
    bool moved = false;
    for (int row = 0; row < groups.recordCount(); ++row) {
        const QVariant v = groups.valueAt(row, CountField);
        if (!isTyped(v)) continue;
        groups.moveTo(row);
        moved = true;
        groups.edit();
        groups.setValue(CountField, asStored(v.toString()));
        groups.post();
    }
    if (moved) groups.moveTo(current);
    if (groups.updatesPending()) groups.postAndApply();
}

void Discard(TDataSet& groups)
{
    if (!groups.active()) return;
    if (groups.state() != TDataSet::State::Browse) groups.cancel();
    if (groups.updatesPending()) groups.cancelUpdates();
}

} // namespace GroupCounts
