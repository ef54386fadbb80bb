// Data-bound edit and display fields.
#include "DBEdit.h"

#include "Guard.h"
#include "data/DataSet.h"
#include "data/Strings.h"

#include <QScopeGuard>

#include <algorithm>

QString WholeCharacters(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (!c.isSurrogate()) {
            out += c;
        }
    }
    return out;
}

namespace {

// Replaces the edit's text by its whole characters, the cursor staying where it was.
bool dropHalves(QLineEdit* edit, const QString& text)
{
    const QString clean = WholeCharacters(text);
    if (clean == text)
        return false;
    const int cursor = edit->cursorPosition();
    edit->setText(clean);
    edit->setCursorPosition(std::min<int>(cursor, int(clean.size())));
    return true;
}

} // namespace

void KeepWholeCharacters(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [edit](const QString& text) { dropHalves(edit, text); });
}

TDBEdit::TDBEdit(TDataSet* dataSet, const QString& field, QWidget* parent)
    : QLineEdit(parent), m_dataSet(dataSet), m_field(field)
{
    // textChanged, not textEdited: text set through the accessibility interface counts as typed.
    connectGuarded(this, &QLineEdit::textChanged, this, &TDBEdit::onTextChanged);
    connect(dataSet, &TDataSet::dataChange, this, [this](const QString& f) {
        if (!m_writing && (f.isEmpty() || f.compare(m_field, Qt::CaseInsensitive) == 0))
            refresh();
    });
    refresh();
}

void TDBEdit::refresh()
{
    QString text;
    if (m_dataSet && m_dataSet->active() && m_dataSet->hasField(m_field) && !m_dataSet->isEmpty())
        text = m_dataSet->asString(m_field);
    if (text != this->text()) {
        m_reading = true;
        setText(text);
        m_reading = false;
    }
}

void TDBEdit::onTextChanged(const QString& changed)
{
    if (m_reading || m_writing)
        return;
    if (dropHalves(this, changed))
        return; // the clean text arrives here again through its own change
    const QString text = this->text();
    if (!m_dataSet || !m_dataSet->active())
        return;
    m_writing = true;
    const auto reset = qScopeGuard([this] { m_writing = false; });
    m_dataSet->edit();
    m_dataSet->setValue(m_field, text.isEmpty() ? QVariant() : QVariant(text));
}

TDBText::TDBText(TDataSet* dataSet, const QString& field, QWidget* parent)
    : QLabel(parent), m_dataSet(dataSet), m_field(field)
{
    connect(dataSet, &TDataSet::dataChange, this, [this](const QString& f) {
        if (f.isEmpty() || f.compare(m_field, Qt::CaseInsensitive) == 0)
            refresh();
    });
    refresh();
}

void TDBText::refresh()
{
    QString text;
    if (m_dataSet && m_dataSet->active() && m_dataSet->hasField(m_field) && !m_dataSet->isEmpty())
        text = m_dataSet->asString(m_field);
    setText(text);
    if (!m_caption.isEmpty())
        setAccessibleName(m_caption + QStringLiteral(": ") +
                          (text.trimmed().isEmpty() ? Str::EmptyValueName : text));
}

void TDBText::setCaption(const QString& caption)
{
    m_caption = caption;
    refresh();
}
