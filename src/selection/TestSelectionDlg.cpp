// The frame and the OK road of the two test selections.
#include "TestSelectionDlg.h"

#include "GroupCounts.h"
#include "SelectionLayout.h"
#include "data/DataModule.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "testing/TestDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>

TTestSelectionDlg::TTestSelectionDlg(const TGroupPage& groupPage, QWidget* parent)
    : TForm(parent), m_groupPage(groupPage)
{
    using namespace SelectionLayout;
    setSkin(QStringLiteral("selection"), QSize(Width, Height));

    m_label1 = heading(this);

    m_tabSet1 = new QTabBar(this);
    m_tabSet1->setObjectName(QStringLiteral("TabSet1"));
    m_tabSet1->setDrawBase(false);
    m_tabSet1->setExpanding(false);
    m_tabSet1->setGeometry(30, 62, 540, 28);

    m_page1 = page(this);
    m_page1->setObjectName(QStringLiteral("Page1"));
    caption(Str::LabelTestType, m_page1, {0, 6, 260, 18});
    caption(Str::LabelTestName, m_page1, {280, 6, 260, 18});

    m_page2 = page(this);
    m_page2->setObjectName(QStringLiteral("Page2"));
    caption(groupPage.caption, m_page2, {0, 6, 300, 18});
    caption(Str::LabelQuestionCount, m_page2, {316, 8, 120, 18});
    m_image1 = picture(m_page2, {316, 36, 224, groupPage.pictureHeight});
}

TTestSelectionDlg::~TTestSelectionDlg() = default;

void TTestSelectionDlg::finishFrame()
{
    SelectionLayout::buttons(this, m_okBtn, m_cancelBtn, m_helpBtn);
    connectGuarded(m_tabSet1, &QTabBar::currentChanged, this, &TTestSelectionDlg::TabSet1Change);
    connectGuarded(m_okBtn, &QAbstractButton::clicked, this, &TTestSelectionDlg::OkBtnClick);
    connectGuarded(m_cancelBtn, &QAbstractButton::clicked, this, &TTestSelectionDlg::CancelBtnClick);
    connectGuarded(addHiddenDefaultButton(Str::Ok), &QPushButton::clicked, this,
                   &TTestSelectionDlg::OkBtnClick);
    addHiddenCancelButton(Str::Cancel);
}

void TTestSelectionDlg::bindData()
{
    if (m_dbGrid1)
        return;
    using namespace SelectionLayout;
    m_dbGrid1 =
        grid(DM->QSelectTestType, QStringLiteral("Popis"), Str::LabelTestType, m_page1, {0, 28, 260, 216});
    m_dbGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_dbGrid2 = new TDBGrid(
        storedTests(),
        {{QStringLiteral("aa"), Str::LabelTestName}, {QStringLiteral("poradi"), Str::LabelTestName}},
        m_page1);
    m_dbGrid2->setObjectName(QStringLiteral("DBGrid2"));
    m_dbGrid2->setTitles(false);
    m_dbGrid2->setName(Str::LabelTestName);
    m_dbGrid2->setShowGrid(false);
    m_dbGrid2->setGeometry(280, 28, 260, 216);
    m_dbGrid2->setColumnWidth(0, 84);
    m_dbGrid3 = grid(DM->QSelectQuest, QStringLiteral("OKRUH"), m_groupPage.caption, m_page2,
                     {0, 28, 300, m_groupPage.listHeight});
    m_dbGrid3->setObjectName(QStringLiteral("DBGrid3"));
    m_dbEdit1 = new TDBEdit(DM->QSelectQuest, QStringLiteral("Pocet"), m_page2);
    m_dbEdit1->setObjectName(QStringLiteral("DBEdit1"));
    m_dbEdit1->setAccessibleName(Str::LabelQuestionCount);
    m_dbEdit1->setGeometry(450, 4, 90, 24);
    bindMore();

    connectGuarded(m_dbGrid2, &TDBGrid::rowDoubleClicked, this, &TTestSelectionDlg::OkBtnClick);
    connectGuarded(DM->QSelectTestType, &TDataSet::dataChange, this,
                   &TTestSelectionDlg::DataSource1DataChange);
    connectGuarded(storedTests(), &TDataSet::dataChange, this, &TTestSelectionDlg::DataSource2DataChange);
    connectGuarded(DM->QSelectQuest, &TDataSet::dataChange, this, &TTestSelectionDlg::DataSource3DataChange);
}

void TTestSelectionDlg::openTestTypes()
{
    DM->QSelectTestType->close();
    DM->QSelectTestType->setParam(QStringLiteral("ID_TYPTEST"), 0);
    DM->QSelectTestType->open();
}

void TTestSelectionDlg::openModal(const std::function<void()>& setUp)
{
    bindData();
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    if (DM->QSelectQuest->active())
        DM->QSelectQuest->first();
    setUp();
    centreOnScreen();
    ShowModal();
}

void TTestSelectionDlg::DataSource1DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty())
        return;
    TQuery* types = DM->QSelectTestType;
    TQuery* tests = storedTests();
    tests->close();
    if (!types->active() || types->isEmpty())
        return;
    tests->setParam(QStringLiteral("ID_TYPTEST"), types->asInteger(QStringLiteral("ID_TYPTEST")));
    filterStoredTests(*tests);
    tests->open();
}

void TTestSelectionDlg::DataSource2DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty() || m_tabSet1->currentIndex() != 0)
        return;
    m_okBtn->setEnabled(storedTestChosen());
}

void TTestSelectionDlg::DataSource3DataChange(const QString& field)
{
    if (m_running && isVisible() && field.isEmpty())
        SelectionLayout::showGroupPicture(m_image1, DM->QSelectQuest);
}

bool TTestSelectionDlg::storedTestChosen() const
{
    const TQuery* tests = storedTests();
    return tests->active() && !tests->isEmpty();
}

void TTestSelectionDlg::TabSet1Change(int newTab)
{
    m_page1->setVisible(newTab == 0);
    m_page2->setVisible(newTab == 1);
    // A random test needs no stored test, so its tab always offers OK.
    m_okBtn->setEnabled(newTab == 1 || storedTestChosen());
}

void TTestSelectionDlg::OkBtnClick()
{
    if (!m_okBtn->isEnabled())
        return;
    const int minutes = timeLimitMinutes();
    TQuery* groups = DM->QSelectQuest;
    if (const auto bad = GroupCounts::InvalidGroup(*groups)) {
        SystemDlg->Execute(Format(Str::BadQuestionCount, {*bad}), true);
        return;
    }
    keepSettings();
    GroupCounts::Store(*groups, m_dbEdit1->text());

    hide();
    // A road that fails (the database refusing a statement) brings the dialog back: left hidden,
    // its modal run would go on with no window of the program on screen.
    auto showAgain = qScopeGuard([this] { show(); });
    if (m_tabSet1->currentIndex() == 0)
        runStoredTest(minutes);
    else
        runRandomTest(minutes);
    showAgain.dismiss();
    accept();
}

void TTestSelectionDlg::runStoredTest(int minutes)
{
    TQuery* test = storedTests();
    const int testId = test->asInteger(QStringLiteral("id_test"));
    DM->QTestType2->close();
    DM->QTestType2->setParam(QStringLiteral("ID_TEST"), testId);
    DM->QTestType2->open();
    const QString caption = m_label1->text() + QStringLiteral(" - ") +
                            TrimText(test->asString(QStringLiteral("aa"))) + u' ' +
                            TrimText(test->asString(QStringLiteral("poradi")));
    TestDlg->RunTest(testMode(), testId, caption, DM->QTestType2, false, quint16(minutes));
}

void TTestSelectionDlg::runRandomTest(int minutes)
{
    const bool drawn = [this] {
        if (WaitDlg)
            WaitDlg->ShowWait(waitText());
        const auto hideWait = qScopeGuard([] {
            if (WaitDlg)
                WaitDlg->HideWait();
        });
        return drawRandomTest();
    }();
    if (drawn) {
        const QString caption = m_label1->text() + QStringLiteral(" - ") + m_tabSet1->tabText(1);
        TestDlg->RunTest(testMode(), 0, caption, DM->QTestType3, false, quint16(minutes));
    } else {
        SystemDlg->Execute(Str::NoQuestionDrawn, true);
    }
}

void TTestSelectionDlg::CancelBtnClick()
{
    reject();
}

void TTestSelectionDlg::FormClose()
{
    // A cancelled count edit must not be written later by the next confirmed selection.
    GroupCounts::Discard(*DM->QSelectQuest);
}
