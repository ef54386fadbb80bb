// The result window of a live test.
#include "ResultDlg.h"

#include "data/Strings.h"

#include <QLabel>
#include <QPlainTextEdit>

TResultDlg* ResultDlg = nullptr;

TResultDlg::TResultDlg(QWidget* parent) : TAnswerDlg(parent)
{
    setObjectName(QStringLiteral("ResultDlg"));
    setWindowTitle(Str::ResultHeading);
    setSkin(QStringLiteral("result"), QSize(520, 470));

    const QFont bold = boldLabel(Str::ResultHeading, this, {24, 16, 470, 22})->font();

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("ReportBox"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(13);
    m_report->setFont(mono);
    m_report->setAccessibleName(QStringLiteral("Report testu"));
    m_report->setGeometry(24, 44, 472, 300);

    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("VerdictLabel"));
    m_verdict->setFont(bold);
    m_verdict->setGeometry(24, 352, 110, 22);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("NoteLabel"));
    m_note->setFont(bold);
    QPalette red = m_note->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_note->setPalette(red);
    m_note->setGeometry(134, 352, 362, 22);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLabel"));
    m_message->setWordWrap(true);
    m_message->setGeometry(24, 378, 472, 40);

    addAnswerButtons(158, 426);
    if (!ResultDlg)
        ResultDlg = this;
}

TResultDlg::~TResultDlg()
{
    if (ResultDlg == this)
        ResultDlg = nullptr;
}

void TResultDlg::setReportLines(const QStringList& lines)
{
    m_report->setPlainText(lines.join(u'\n'));
}

QStringList TResultDlg::reportLines() const
{
    return m_report->toPlainText().split(u'\n');
}

bool TResultDlg::Execute(const QString& text, const QString& verdict, const QString& note, bool okOnly)
{
    showAnswers(okOnly);
    m_verdict->setText(verdict);
    m_note->setText(note);
    m_message->setText(text);
    if (s_autoAnswer)
        return s_autoAnswer({text, verdict, note, okOnly, reportLines()});
    centreOnScreen();
    return ShowModal();
}
