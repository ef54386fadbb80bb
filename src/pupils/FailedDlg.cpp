// The window of the questions failed most.
#include "FailedDlg.h"

#include "FigureTable.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

TFailedDlg* FailedDlg = nullptr;

TFailedDlg::TFailedDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FailedDlg"));
    setWindowTitle(Str::FailedHeading);
    setSkin(QStringLiteral("failed"), QSize(700, 500));

    auto* heading = new QLabel(Str::FailedHeading, this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    heading->setFont(bold);
    heading->setGeometry(20, 16, 660, 24);
    auto* note = new QLabel(Str::FailedNote, this);
    note->setGeometry(20, 42, 660, 20);

    m_grid = FigureTable::make(this, {Str::ColQuestion, Str::ColWrong, Str::ColAsked, Str::ColShareWrong},
                               Str::FailedGridName);
    m_grid->setObjectName(QStringLiteral("FailedGrid"));
    m_grid->setGeometry(20, 68, 660, 384);
    note->setBuddy(m_grid);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { Guarded([this] { ShowBtnClick(); }); });

    m_show = TDsFancyButton::create(Str::ShowQuestionCaption, this, {20, 462, 97, 25}, QStringLiteral("ShowBtn"));
    m_ok = TDsFancyButton::create(Str::Ok, this, {583, 462, 97, 25}, QStringLiteral("OkBtn"));
    // Enter opens the selected question, as a double click does; Esc closes.
    QPushButton* def = addHiddenDefaultButton(Str::RecordDefault);
    def->setObjectName(QStringLiteral("DefBtn"));
    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));
    connectGuarded(m_show, &QAbstractButton::clicked, this, &TFailedDlg::ShowBtnClick);
    connectGuarded(def, &QAbstractButton::clicked, this, &TFailedDlg::ShowBtnClick);
    connect(m_ok, &QAbstractButton::clicked, this, [this] { accept(); });

    if (!FailedDlg)
        FailedDlg = this;
}

TFailedDlg::~TFailedDlg()
{
    if (FailedDlg == this)
        FailedDlg = nullptr;
}

void TFailedDlg::Execute()
{
    Load();
    centreOnScreen();
    ShowModal();
}

void TFailedDlg::Load()
{
    m_questions = Progress::mostFailed(TProgressData::schoolQuestionTallies(), Listed);
    QVector<QStringList> rows;
    QStringList tips;
    for (const Progress::TQuestionTally& q : std::as_const(m_questions)) {
        rows.append({Progress::shortened(q.text, 80), QString::number(q.wrong), QString::number(q.asked),
                     Format(Str::SharePercent, {Progress::sharePercent(q.wrong, q.asked)})});
        tips.append(q.text.simplified());
    }
    FigureTable::fill(m_grid, rows, Str::NoFailedQuestion, tips);
    m_show->setEnabled(!m_questions.isEmpty());
    if (!m_questions.isEmpty())
        m_grid->selectRow(0);
}

void TFailedDlg::ShowBtnClick()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_questions.size())
        return;
    const Progress::TQuestionTally& q = m_questions[row];
    // Only one window of the program is on screen at a time; this one comes back whatever happens.
    struct ShowAgain
    {
        TFailedDlg* dlg;
        ~ShowAgain()
        {
            dlg->show();
            dlg->activateWindow();
            dlg->m_grid->setFocus();
        }
    } again{this};
    hide();
    emit questionRequested(q.questionId, Format(Str::FailedQuestionCaption, {q.questionId}));
}
