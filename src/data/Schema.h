// The tables of the database, written once, with the DDL for each engine: the fifteen that the
// program works with, VYSVETLENI, the explanations of the questions' answers, and ZAKVYSL, every
// scored answer of every pupil; an older database lacks the last two. Only the database builder creates tables; the program never does.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

enum class TColumnType { Integer, Key, AutoKey, Text, LongText, Binary, DateTime };

struct TColumnDef
{
    QString name;
    TColumnType type;
    int length = 0; // for Text
};

struct TTableDef
{
    QString name;
    QVector<TColumnDef> columns;
};

enum class TDialect { Sqlite, Postgres };

namespace Schema {
const QVector<TTableDef>& tables();
const TTableDef* table(const QString& name);
// CREATE TABLE and CREATE INDEX statements, one statement per entry.
QStringList createStatements(TDialect dialect);
// The reference tables: the question bank and its settings, which an import replaces.
QStringList referenceTables();
// The tables that hold a school's own records and that an import keeps.
QStringList pupilTables();
} // namespace Schema
