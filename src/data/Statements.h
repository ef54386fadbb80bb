// Statements of the data layer that are not components of the data module: the selection of the
// questions of a drawn test, with the drawn ids bound as one parameter.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class TQuery;

namespace Statements {

// The questions whose ids the parameter ID_LIST holds (see DrawnIdList), as three lines.
extern const QStringList DrawnQuestions;

// The value of ID_LIST for these ids: a JSON object with the ids as its keys, in drawn order.
QString DrawnIdList(const QVector<qint64>& ids);

// Closes `query`, gives it the selection of these questions with the ids bound, and opens it.
// An empty list leaves the query as it was: a test without questions is never started.
void OpenDrawnQuestions(TQuery& query, const QVector<qint64>& ids);

} // namespace Statements
