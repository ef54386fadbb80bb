// Statements of the data layer outside the data module's components.
#include "Statements.h"

#include "DataSet.h"

namespace Statements {

// json_each over an object is a table function that SQLite and PostgreSQL both have. One
// parameter for the whole list keeps a test of many thousand questions as quick to prepare as a
// short one: SQLite looks each named parameter up among all the others.
const QStringList DrawnQuestions = {
    QStringLiteral(R"(select * from otazka )"), QStringLiteral(R"( where )"),
    QStringLiteral(R"(id_otazka in (select cast(key as integer) from json_each(:ID_LIST)))")};

QString DrawnIdList(const QVector<qint64>& ids)
{
    QString list;
    list.reserve(2 + ids.size() * 10);
    list += u'{';
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i > 0)
            list += u',';
        list += u'"';
        list += QString::number(ids[i]);
        list += QStringLiteral("\":0");
    }
    list += u'}';
    return list;
}

void OpenDrawnQuestions(TQuery& query, const QVector<qint64>& ids)
{
    if (ids.isEmpty())
        return;
    query.close();
    query.setSql(DrawnQuestions);
    query.setParam(QStringLiteral("ID_LIST"), DrawnIdList(ids));
    query.open();
}

} // namespace Statements
