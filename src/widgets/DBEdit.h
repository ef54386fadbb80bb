// Edit fields bound to one field of a dataset's current row. Any change of the text (typing,
// pasting, or an assistive technology setting it) puts the row into edit state and writes the
// field; a move of the dataset shows the new row's value.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "data/DataSet.h"

// The text without halves of characters: an edit's length limit counts UTF-16 units, so a
// character outside the BMP typed at the limit would otherwise leave its first half behind.
QString WholeCharacters(const QString& text);
// Keeps what is typed into the edit free of such halves.
void KeepWholeCharacters(QLineEdit* edit);

class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    TDBEdit(TDataSet* dataSet, const QString& field, QWidget* parent = nullptr);
    QString field() const { return m_field; }
    // Re-reads the field's value from the current row.
    void refresh();

private:
    void onTextChanged(const QString& text);
    QPointer<TDataSet> m_dataSet;
    QString m_field;
    bool m_writing = false;
    bool m_reading = false;
};

// A read-only display of one field.
class TDBText : public QLabel
{
    Q_OBJECT
public:
    TDBText(TDataSet* dataSet, const QString& field, QWidget* parent = nullptr);
    void refresh();
    // What the value is: assistive technologies read "caption: value" (an empty value as such).
    void setCaption(const QString& caption);

private:
    QPointer<TDataSet> m_dataSet;
    QString m_field;
    QString m_caption;
};
