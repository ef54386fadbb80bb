// The per-group question counts (Pocet of OKRUHOT) that the pupil edits in the selection dialogs:
// checking, storing and discarding the edits kept in the topic-group cursor.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

class TDataSet;

namespace GroupCounts {

// A stored or typed count as a number; a missing value counts as 0 (an unparsable one too).
int CountOf(const QVariant& value);

// The name (OKRUH) of the first group whose typed count is not a whole number;
// nullopt when every typed count is fine. An empty text is fine (it stores no value); counts
// read from the database are not judged.
std::optional<QString> InvalidGroup(const TDataSet& groups);

// Sets the current group's count from `currentText` (an empty text stores no value), stores
// typed counts as numbers, and writes all pending changes to the database in one step.
void Store(TDataSet& groups, const QString& currentText);

// Cancels an edit in progress and forgets every pending change.
void Discard(TDataSet& groups);

} // namespace GroupCounts
