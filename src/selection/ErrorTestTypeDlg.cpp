// The error-test selection dialog.
#include "ErrorTestTypeDlg.h"

#include "GroupCounts.h"
#include "RandomDraw.h"
#include "SelectionLayout.h"
#include "data/DataModule.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "testing/TestDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

TErrorTestTypeDlg* ErrorTestTypeDlg = nullptr;

TErrorTestTypeDlg::TErrorTestTypeDlg(QWidget* parent) : TForm(parent)
{
    using namespace SelectionLayout;
    setObjectName(QStringLiteral("ErrorTestTypeDlg"));
    setSkin(QStringLiteral("selection"), QSize(Width, Height));

    m_label1 = heading(this);
    m_label1->setText(Str::HeadingErrorTests);
    setWindowTitle(Str::HeadingErrorTests);

    m_tabSet1 = new QTabBar(this);
    m_tabSet1->setObjectName(QStringLiteral("TabSet1"));
    m_tabSet1->setDrawBase(false);
    m_tabSet1->setExpanding(false);
    m_tabSet1->addTab(Str::TabErrorTests);
    m_tabSet1->addTab(Str::TabRandomErrorTest);
    m_tabSet1->setGeometry(30, 62, 540, 28);

    m_page1 = page(this);
    m_page1->setObjectName(QStringLiteral("Page1"));
    caption(Str::LabelTestType, m_page1, {0, 6, 260, 18});
    caption(Str::LabelTestName, m_page1, {280, 6, 260, 18});

    m_page2 = page(this);
    m_page2->setObjectName(QStringLiteral("Page2"));
    caption(Str::LabelErrorQuestionGroup, m_page2, {0, 6, 300, 18});
    caption(Str::LabelQuestionCount, m_page2, {316, 8, 120, 18});
    m_image1 = picture(m_page2, {316, 36, 224, 180});
    m_noError = new QCheckBox(Str::NoErrorBox, m_page2);
    m_noError->setObjectName(QStringLiteral("NoError"));
    m_noError->setChecked(true);
    m_noError->setGeometry(0, 224, 540, 22);

    buttons(this, m_okBtn, m_cancelBtn, m_helpBtn);

    connect(m_tabSet1, &QTabBar::currentChanged, this,
            [this](int tab) { Guarded([&] { TabSet1Change(tab); }); });
    connect(m_okBtn, &QAbstractButton::clicked, this, [this] { Guarded([&] { OkBtnClick(); }); });
    connect(m_cancelBtn, &QAbstractButton::clicked, this, [this] { Guarded([&] { CancelBtnClick(); }); });
    connect(addHiddenDefaultButton(Str::Ok), &QPushButton::clicked, this,
            [this] { Guarded([&] { OkBtnClick(); }); });
    addHiddenCancelButton(Str::Cancel);
    if (DM) bindData();

    if (!ErrorTestTypeDlg) ErrorTestTypeDlg = this;
}

void TErrorTestTypeDlg::bindData()
{
    if (m_dbGrid1) return;
    using namespace SelectionLayout;
    m_dbGrid1 =
        grid(DM->QSelectTestType, QStringLiteral("Popis"), Str::LabelTestType, m_page1, {0, 28, 260, 216});
    m_dbGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_dbGrid2 = new TDBGrid(
        DM->QSelectErrorTest,
        {{QStringLiteral("aa"), Str::LabelTestName}, {QStringLiteral("poradi"), Str::LabelTestName}},
        m_page1);
    m_dbGrid2->setObjectName(QStringLiteral("DBGrid2"));
    m_dbGrid2->setTitles(false);
    m_dbGrid2->setName(Str::LabelTestName);
    m_dbGrid2->setShowGrid(false);
    m_dbGrid2->setGeometry(280, 28, 260, 216);
    m_dbGrid2->setColumnWidth(0, 84);
    m_dbGrid3 = grid(DM->QSelectQuest, QStringLiteral("OKRUH"), Str::LabelErrorQuestionGroup, m_page2,
                     {0, 28, 300, 188});
    m_dbGrid3->setObjectName(QStringLiteral("DBGrid3"));
    m_dbEdit1 = new TDBEdit(DM->QSelectQuest, QStringLiteral("Pocet"), m_page2);
    m_dbEdit1->setObjectName(QStringLiteral("DBEdit1"));
    m_dbEdit1->setAccessibleName(Str::LabelQuestionCount);
    m_dbEdit1->setGeometry(450, 4, 90, 24);

    connect(m_dbGrid2, &TDBGrid::rowDoubleClicked, this, [this] { Guarded([&] { OkBtnClick(); }); });
    connect(DM->QSelectTestType, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource1DataChange(f); }); });
    connect(DM->QSelectErrorTest, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource2DataChange(f); }); });
    connect(DM->QSelectQuest, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource3DataChange(f); }); });
}

TErrorTestTypeDlg::~TErrorTestTypeDlg()
{
    if (ErrorTestTypeDlg == this) ErrorTestTypeDlg = nullptr;
}

void TErrorTestTypeDlg::Execute()
{
    bindData();
    // The shared cursors move while other dialogs run; this one follows them only while open.
    m_running = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_running};

    if (DM->QSelectQuest->active()) DM->QSelectQuest->first();
    DM->QSelectTestType->close();
    DM->QSelectTestType->setParam(QStringLiteral("ID_TYPTEST"), 0);
    DM->QSelectTestType->open();
    {
        const QSignalBlocker block(m_tabSet1);
        m_tabSet1->setCurrentIndex(0);
    }
    TabSet1Change(0);
    m_dbEdit1->refresh();
    SelectionLayout::showGroupPicture(m_image1, DM->QSelectQuest);

    centreOnScreen();
    ShowModal();
}

void TErrorTestTypeDlg::DataSource1DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty()) return;
    TQuery* types = DM->QSelectTestType;
    DM->QSelectErrorTest->close();
    if (!types->active() || types->isEmpty()) return;
    DM->QSelectErrorTest->setParam(QStringLiteral("ID_TYPTEST"),
                                   types->asInteger(QStringLiteral("ID_TYPTEST")));
    DM->QSelectErrorTest->setParam(QStringLiteral("ID_ZAK"), SignedInPupil.PupilId);
    DM->QSelectErrorTest->open();
}

void TErrorTestTypeDlg::DataSource2DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty() || m_tabSet1->currentIndex() != 0) return;
    m_okBtn->setEnabled(DM->QSelectErrorTest->active() && !DM->QSelectErrorTest->isEmpty());
}

void TErrorTestTypeDlg::DataSource3DataChange(const QString& field)
{
    if (m_running && isVisible() && field.isEmpty())
        SelectionLayout::showGroupPicture(m_image1, DM->QSelectQuest);
}

void TErrorTestTypeDlg::TabSet1Change(int newTab)
{
    m_page1->setVisible(newTab == 0);
    m_page2->setVisible(newTab == 1);
    // The random error test needs no stored test, so its tab always offers OK.
    if (newTab == 1)
        m_okBtn->setEnabled(true);
    else
        m_okBtn->setEnabled(DM->QSelectErrorTest->active() && !DM->QSelectErrorTest->isEmpty());
}

void TErrorTestTypeDlg::OkBtnClick()
{
    if (!m_okBtn->isEnabled()) return;
    TQuery* groups = DM->QSelectQuest;
    if (const auto bad = GroupCounts::InvalidGroup(*groups)) {
        SystemDlg->Execute(Format(Str::BadQuestionCount, {*bad}), true);
        return;
    }
    GroupCounts::Store(*groups, m_dbEdit1->text());

    hide();
    if (m_tabSet1->currentIndex() == 0) {
        TQuery* test = DM->QSelectErrorTest;
        const int testId = test->asInteger(QStringLiteral("id_test"));
        DM->QTestType2->close();
        DM->QTestType2->setParam(QStringLiteral("ID_TEST"), testId);
        DM->QTestType2->open();
        const QString caption = m_label1->text() + QStringLiteral(" - ") +
                                TrimText(test->asString(QStringLiteral("aa"))) + u' ' +
                                TrimText(test->asString(QStringLiteral("poradi")));
        TestDlg->RunTest(tmErrorTest, testId, caption, DM->QTestType2, false, 0);
    } else {
        if (WaitDlg) WaitDlg->ShowWait(Str::WaitRandomErrorTest);
        bool drawn = false;
        try {
            drawn = GenerateRandomErrorTest();
        } catch (...) {
            if (WaitDlg) WaitDlg->HideWait();
            throw;
        }
        if (WaitDlg) WaitDlg->HideWait();
        if (drawn) {
            const QString caption = m_label1->text() + QStringLiteral(" - ") + m_tabSet1->tabText(1);
            TestDlg->RunTest(tmErrorTest, 0, caption, DM->QTestType3, false, 0);
        } else {
            SystemDlg->Execute(Str::NoQuestionDrawn, true);
        }
    }
    accept();
}

void TErrorTestTypeDlg::CancelBtnClick()
{
    reject();
}

void TErrorTestTypeDlg::FormClose()
{
    // A cancelled count edit must not be written later by the next confirmed selection.
    GroupCounts::Discard(*DM->QSelectQuest);
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
    if (drawn.isEmpty()) return false;
    TQuery* test = DM->QTestType3;
    test->close();
    test->setSql(RandomDraw::IdStatement(drawn));
    test->open();
    return true;
}
