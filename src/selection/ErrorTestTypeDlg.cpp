// The error-test selection dialog.
#include "ErrorTestTypeDlg.h"

#include "GroupCounts.h"
#include "RandomDraw.h"
#include "SelectionLayout.h"
#include "data/DataModule.h"
#include "data/Globals.h"
#include "data/Public.h"
#include "data/Statements.h"
#include "data/Strings.h"
#include "testing/TestDlg.h"
#include "widgets/DBEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QTabBar>

TErrorTestTypeDlg* ErrorTestTypeDlg = nullptr;

TErrorTestTypeDlg::TErrorTestTypeDlg(QWidget* parent)
    : TTestSelectionDlg({Str::LabelErrorQuestionGroup, 188, 180}, parent)
{
    setObjectName(QStringLiteral("ErrorTestTypeDlg"));
    Label1()->setText(Str::HeadingErrorTests);
    setWindowTitle(Str::HeadingErrorTests);
    TabSet1()->addTab(Str::TabErrorTests);
    TabSet1()->addTab(Str::TabRandomErrorTest);

    m_noError = new QCheckBox(Str::NoErrorBox, Page2());
    m_noError->setObjectName(QStringLiteral("NoError"));
    m_noError->setChecked(true);
    m_noError->setGeometry(0, 224, 540, 22);

    finishFrame();
    if (DM)
        bindData();

    if (!ErrorTestTypeDlg)
        ErrorTestTypeDlg = this;
}

TErrorTestTypeDlg::~TErrorTestTypeDlg()
{
    if (ErrorTestTypeDlg == this)
        ErrorTestTypeDlg = nullptr;
}

TQuery* TErrorTestTypeDlg::storedTests() const
{
    return DM->QSelectErrorTest;
}

void TErrorTestTypeDlg::filterStoredTests(TQuery& tests)
{
    tests.setParam(QStringLiteral("ID_ZAK"), SignedInPupil.PupilId);
}

int TErrorTestTypeDlg::testMode() const
{
    return tmErrorTest;
}

QString TErrorTestTypeDlg::waitText() const
{
    return Str::WaitRandomErrorTest;
}

void TErrorTestTypeDlg::Execute()
{
    openModal([this] {
        openTestTypes();
        {
            const QSignalBlocker block(TabSet1());
            TabSet1()->setCurrentIndex(0);
        }
        TabSet1Change(0);
        DBEdit1()->refresh();
        SelectionLayout::showGroupPicture(Image1(), DM->QSelectQuest);
    });
}

bool TErrorTestTypeDlg::GenerateRandomErrorTest()
{
    TQuery* groups = DM->QSelectQuest;
    TQuery* errors = DM->QRndError;
    TQuery* rnd = DM->QRnd;
    const bool topUp = m_noError->isChecked();
    const QString pattern = SkillLevelPattern(SignedInPupil.SkillLevel);
    groups->first();
    SeedRandom();
    TIdList drawn;
    while (!groups->eof()) {
        const int group = groups->asInteger(QStringLiteral("ID_OKRUH"));
        errors->setParam(QStringLiteral("ID_OKRUH"), group);
        errors->setParam(QStringLiteral("ID_ZAK"), SignedInPupil.PupilId);
        const int wanted = GroupCounts::CountOf(groups->value(QStringLiteral("Pocet")));
        RandomDraw::DrawErrorGroup(
            errors->readIntegers(QStringLiteral("ID_OTAZKA")), wanted, topUp,
            [&] {
                rnd->setParam(QStringLiteral("ID_OKRUH"), group);
                rnd->setParam(QStringLiteral("SKILL_LEVEL"), pattern);
                return rnd->readIntegers(QStringLiteral("ID_OTAZKA"));
            },
            drawn);
        groups->next();
    }
    if (drawn.isEmpty())
        return false;
    Statements::OpenDrawnQuestions(*DM->QTestType3, drawn);
    return true;
}
