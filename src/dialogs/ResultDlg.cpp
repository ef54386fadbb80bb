// The result window of a live test.
#include "ResultDlg.h"

#include "data/Strings.h"
#include "widgets/FancyButton.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

TResultDlg* ResultDlg = nullptr;

namespace {
TResultDlg::AutoAnswer& autoAnswer()
{
    static TResultDlg::AutoAnswer a;
    return a;
}
} // namespace

void TResultDlg::setAutoAnswer(AutoAnswer answer)
{
    autoAnswer() = std::move(answer);
}

TResultDlg::TResultDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("ResultDlg"));
    setWindowTitle(Str::ResultHeading);
    setSkin(QStringLiteral("result"), QSize(520, 470));

    auto* heading = new QLabel(Str::ResultHeading, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(24, 16, 470, 22);

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

    m_yes = TDsFancyButton::create(Str::Yes, this, {158, 426, 97, 25});
    m_no = TDsFancyButton::create(Str::No, this, {265, 426, 97, 25});
    m_ok = TDsFancyButton::create(Str::Ok, this, {211, 426, 97, 25});
    for (TDsFancyButton* b : {m_yes, m_no, m_ok})
        b->setButtonColor(lightWindowColour());
    connect(m_yes, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_no, &QAbstractButton::clicked, this, &QDialog::reject);
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
    m_ok->setVisible(okOnly);
    m_yes->setVisible(!okOnly);
    m_no->setVisible(!okOnly);
    m_verdict->setText(verdict);
    m_note->setText(note);
    m_message->setText(text);
    if (autoAnswer())
        return autoAnswer()({text, verdict, note, okOnly, reportLines()});
    centreOnScreen();
    return ShowModal();
}

void TResultDlg::keyPressEvent(QKeyEvent* e)
{
    // The report box keeps Enter and Esc for itself only while it edits; it is read-only here,
    // so the window answers them as the message dialog does.
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        accept();
        return;
    case Qt::Key_Escape:
        reject();
        return;
    default:
        TForm::keyPressEvent(e);
    }
}
