// The test-type selection dialog.
#include "TestTypeDlg.h"

#include "GroupCounts.h"
#include "RandomDraw.h"
#include "SelectionLayout.h"
#include "data/DataModule.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"
#include "data/Statements.h"
#include "data/Strings.h"
#include "testing/TestDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/Guard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>

TTestTypeDlg* TestTypeDlg = nullptr;

namespace {
const QColor Grey(128, 128, 128);

QString headingOf(int mode)
{
    switch (mode) {
    case tmHints:
        return Str::HeadingHints;
    case tmPractice:
        return Str::HeadingPractice;
    case tmLive:
        return Str::HeadingLive;
    default:
        return QString();
    }
}
} // namespace

TTestTypeDlg::TTestTypeDlg(QWidget* parent) : TTestSelectionDlg({Str::LabelQuestionGroup, 216, 208}, parent)
{
    setObjectName(QStringLiteral("TestTypeDlg"));

    m_timeLimit = new QCheckBox(Str::TimeLimitBox, this);
    m_timeLimit->setObjectName(QStringLiteral("TimeLimit"));
    m_timeLimit->setGeometry(30, 354, 150, 22);
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setAccessibleName(Str::NameMinutes);
    m_edit1->setInputMask(QStringLiteral("99;_"));
    m_edit1->setAlignment(Qt::AlignRight);
    m_edit1->setGeometry(184, 353, 40, 24);
    m_label4 = new QLabel(Str::MinutesUnit, this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setGeometry(230, 356, 40, 18);

    finishFrame();
    connectGuarded(m_timeLimit, &QCheckBox::toggled, this, &TTestTypeDlg::TimeLimitChange);
    if (DM)
        bindData();

    if (!TestTypeDlg)
        TestTypeDlg = this;
}

TTestTypeDlg::~TTestTypeDlg()
{
    if (TestTypeDlg == this)
        TestTypeDlg = nullptr;
}

TQuery* TTestTypeDlg::storedTests() const
{
    return DM->QSelectTest;
}

void TTestTypeDlg::filterStoredTests(TQuery& tests)
{
    tests.setParam(QStringLiteral("SKILL_LEVEL"), SkillLevelPattern(SignedInPupil.SkillLevel));
}

void TTestTypeDlg::bindMore()
{
    DBGrid1()->setEnabled(false); // shows the types; the first one is the one in use
    m_dbEdit2 = new TDBEdit(DM->QSelectQuest, QStringLiteral("PocetDef"), Page2());
    m_dbEdit2->setObjectName(QStringLiteral("DBEdit2"));
    m_dbEdit2->setAccessibleName(Str::NameQuestionCountDef);
    m_dbEdit2->setGeometry(450, 4, 90, 24);
    m_dbEdit2->setEnabled(false);
}

void TTestTypeDlg::Execute(int mode)
{
    openModal([&] { setUpOpening(mode); });
}

void TTestTypeDlg::setUpOpening(int mode)
{
    m_mode = mode;
    {
        const QSignalBlocker block(TabSet1());
        while (TabSet1()->count() > 0)
            TabSet1()->removeTab(0);
        TabSet1()->addTab(Str::TabStoredTests);
        TabSet1()->addTab(Str::TabRandomTest);
    }
    DBEdit1()->setVisible(mode != tmLive);
    m_dbEdit2->setVisible(mode == tmLive);

    Label1()->setText(headingOf(mode));
    setWindowTitle(headingOf(mode));
    openTestTypes();

    {
        const QSignalBlocker block(m_timeLimit);
        switch (mode) {
        case tmPractice:
            setTimeLimitLook(true, true);
            break;
        case tmLive:
            setTimeLimitLook(true, false);
            break;
        default:
            setTimeLimitLook(false, false);
            break;
        }
    }

    if (DM->QSelectQuest->active())
        DM->QSelectQuest->first();
    TabSet1()->setCurrentIndex(0);
    TabSet1Change(0);
    TimeLimitChange();
    DBEdit1()->refresh();
    m_dbEdit2->refresh();
    SelectionLayout::showGroupPicture(Image1(), DM->QSelectQuest);
}

void TTestTypeDlg::setTimeLimitLook(bool checked, bool enabled)
{
    m_timeLimit->setChecked(checked);
    m_timeLimit->setEnabled(enabled);
    const QColor colour = enabled ? QColor(Qt::black) : Grey;
    for (QWidget* w : {static_cast<QWidget*>(m_timeLimit), static_cast<QWidget*>(m_label4)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, colour);
        pal.setColor(QPalette::ButtonText, colour);
        pal.setColor(QPalette::Disabled, QPalette::WindowText, colour);
        pal.setColor(QPalette::Disabled, QPalette::ButtonText, colour);
        w->setPalette(pal);
    }
}

void TTestTypeDlg::TimeLimitChange()
{
    m_edit1->setEnabled(false);
    switch (m_mode) {
    case tmHints:
        m_edit1->setInputMask(QStringLiteral("99;_"));
        m_edit1->clear();
        break;
    case tmPractice:
        m_edit1->setInputMask(QStringLiteral("99;_"));
        m_edit1->setText(DM->GetConst(QStringLiteral("TIMEOUT")));
        m_edit1->setEnabled(m_timeLimit->isChecked());
        break;
    case tmLive: {
        // The pupil cannot change the live limit, so the field is as wide as the stored value.
        const QString limit = DM->GetConst(QStringLiteral("TESTTIMEOUT")).trimmed();
        m_edit1->setInputMask(QString(std::max<qsizetype>(2, limit.size()), u'9') + QStringLiteral(";_"));
        m_edit1->setText(limit);
        break;
    }
    default:
        break;
    }
}

int TTestTypeDlg::timeLimitMinutes() const
{
    return m_timeLimit->isChecked() ? StrToInt(TrimText(m_edit1->text())) : 0;
}

void TTestTypeDlg::keepSettings()
{
    if (m_timeLimit->isChecked() && m_mode == tmPractice)
        DM->SetConst(QStringLiteral("TIMEOUT"), m_edit1->text());
}

QString TTestTypeDlg::waitText() const
{
    return Str::WaitRandomTest;
}

bool TTestTypeDlg::GenerateRandomTest()
{
    TQuery* groups = DM->QSelectQuest;
    TQuery* rnd = DM->QRnd;
    const QString pattern = SkillLevelPattern(SignedInPupil.SkillLevel);
    const QString countField = m_mode == tmLive ? QStringLiteral("PocetDef") : QStringLiteral("Pocet");
    groups->first();
    SeedRandom();
    TIdList drawn;
    while (!groups->eof()) {
        rnd->setParam(QStringLiteral("SKILL_LEVEL"), pattern);
        rnd->setParam(QStringLiteral("ID_OKRUH"), groups->asInteger(QStringLiteral("ID_OKRUH")));
        const int wanted = GroupCounts::CountOf(groups->value(countField));
        RandomDraw::DrawFrom(rnd->readIntegers(QStringLiteral("ID_OTAZKA")), wanted, drawn);
        groups->next();
    }
    if (drawn.isEmpty())
        return false;
    Statements::OpenDrawnQuestions(*DM->QTestType3, drawn);
    return true;
}
