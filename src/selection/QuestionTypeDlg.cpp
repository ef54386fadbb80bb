// The question-browsing selection dialog.
#include "QuestionTypeDlg.h"

#include "SelectionLayout.h"
#include "data/DataModule.h"
#include "data/Globals.h"
#include "pictures/Picture.h"
#include "data/Public.h"
#include "data/Strings.h"
#include "testing/TestDlg.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

TQuestionTypeDlg* QuestionTypeDlg = nullptr;

TQuestionTypeDlg::TQuestionTypeDlg(QWidget* parent) : TForm(parent)
{
    using namespace SelectionLayout;
    setObjectName(QStringLiteral("QuestionTypeDlg"));
    setSkin(QStringLiteral("selection"), QSize(Width, Height));

    m_label1 = heading(this);
    m_label1->setText(Str::HeadingBrowse);
    setWindowTitle(Str::HeadingBrowse);

    caption(Str::NameQuestionGroups, this, {30, 68, 300, 18});
    m_image1 = picture(this, QRect(QPoint(346, 90), Picture::GroupFrameSize));
    m_image1->setScaledContents(false); // shown at its own size
    m_image1->setAlignment(Qt::AlignCenter);

    m_showAnswerNow = new QCheckBox(Str::ShowAnswerNowBox, this);
    m_showAnswerNow->setObjectName(QStringLiteral("ShowAnswerNow"));
    m_showAnswerNow->setChecked(true);
    m_showAnswerNow->setGeometry(30, 354, 400, 22);

    buttons(this, m_okBtn, m_cancelBtn, m_helpBtn);

    connectGuarded(m_okBtn, &QAbstractButton::clicked, this, &TQuestionTypeDlg::OkBtnClick);
    connectGuarded(m_cancelBtn, &QAbstractButton::clicked, this, &TQuestionTypeDlg::CancelBtnClick);
    connectGuarded(addHiddenDefaultButton(Str::Ok), &QPushButton::clicked, this,
                   &TQuestionTypeDlg::OkBtnClick);
    addHiddenCancelButton(Str::Cancel);
    if (DM)
        bindData();

    if (!QuestionTypeDlg)
        QuestionTypeDlg = this;
}

TQuestionTypeDlg::~TQuestionTypeDlg()
{
    if (QuestionTypeDlg == this)
        QuestionTypeDlg = nullptr;
}

void TQuestionTypeDlg::bindData()
{
    if (m_dbGrid1)
        return;
    m_dbGrid1 = SelectionLayout::grid(DM->QSelectQuest, QStringLiteral("OKRUH"), Str::NameQuestionGroups,
                                      this, {30, 90, 300, 250});
    m_dbGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_dbGrid1->show();
    connectGuarded(m_dbGrid1, &TDBGrid::rowDoubleClicked, this, &TQuestionTypeDlg::OkBtnClick);
    connectGuarded(DM->QSelectQuest, &TDataSet::dataChange, this, &TQuestionTypeDlg::DataSource1DataChange);
}

void TQuestionTypeDlg::showEvent(QShowEvent* e)
{
    bindData();
    TForm::showEvent(e);
}

void TQuestionTypeDlg::FormActivate()
{
    if (!firstActivationOfOpening())
        return;
    TQuery* groups = DM->QSelectQuest;
    if (groups->active())
        groups->first();
    // The list may be as it was at the last opening, so the button and picture follow it here too.
    m_okBtn->setEnabled(groups->active() && !groups->isEmpty());
    SelectionLayout::showGroupPicture(m_image1, groups);
}

void TQuestionTypeDlg::DataSource1DataChange(const QString& field)
{
    // The topic-group cursor is shared; it matters here only while this dialog is on screen.
    if (!isVisible())
        return;
    TQuery* groups = DM->QSelectQuest;
    m_okBtn->setEnabled(groups->active() && !groups->isEmpty());
    if (field.isEmpty())
        SelectionLayout::showGroupPicture(m_image1, groups);
}

void TQuestionTypeDlg::OkBtnClick()
{
    if (!m_okBtn->isEnabled())
        return;
    TQuery* groups = DM->QSelectQuest;
    TQuery* questions = DM->QTestType1;
    questions->close();
    questions->setParam(QStringLiteral("ID_OKRUH"), groups->asInteger(QStringLiteral("ID_OKRUH")));
    questions->setParam(QStringLiteral("SKILL_LEVEL"), SkillLevelPattern(SignedInPupil.SkillLevel));
    questions->open();
    hide();
    const QString caption =
        m_label1->text() + QStringLiteral(" - ") + groups->asString(QStringLiteral("OKRUH"));
    TestDlg->RunTest(tmBrowse, 0, caption, questions, m_showAnswerNow->isChecked(), 0);
    accept();
}

void TQuestionTypeDlg::CancelBtnClick()
{
    reject();
}
