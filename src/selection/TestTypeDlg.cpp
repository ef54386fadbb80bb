// The test-type selection dialog.
#include "TestTypeDlg.h"

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
#include <QLineEdit>
#include <QPushButton>
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

TTestTypeDlg::TTestTypeDlg(QWidget* parent) : TForm(parent)
{
    using namespace SelectionLayout;
    setObjectName(QStringLiteral("TestTypeDlg"));
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
    caption(Str::LabelQuestionGroup, m_page2, {0, 6, 300, 18});
    caption(Str::LabelQuestionCount, m_page2, {316, 8, 120, 18});
    m_image1 = picture(m_page2, {316, 36, 224, 208});

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

    buttons(this, m_okBtn, m_cancelBtn, m_helpBtn);

    connect(m_tabSet1, &QTabBar::currentChanged, this,
            [this](int tab) { Guarded([&] { TabSet1Change(tab); }); });
    connect(m_timeLimit, &QCheckBox::toggled, this, [this] { Guarded([&] { TimeLimitChange(); }); });
    connect(m_okBtn, &QAbstractButton::clicked, this, [this] { Guarded([&] { OkBtnClick(); }); });
    connect(m_cancelBtn, &QAbstractButton::clicked, this, [this] { Guarded([&] { CancelBtnClick(); }); });
    connect(addHiddenDefaultButton(Str::Ok), &QPushButton::clicked, this,
            [this] { Guarded([&] { OkBtnClick(); }); });
    addHiddenCancelButton(Str::Cancel);
    if (DM) bindData();

    if (!TestTypeDlg) TestTypeDlg = this;
}

void TTestTypeDlg::bindData()
{
    if (m_dbGrid1) return;
    using namespace SelectionLayout;
    m_dbGrid1 =
        grid(DM->QSelectTestType, QStringLiteral("Popis"), Str::LabelTestType, m_page1, {0, 28, 260, 216});
    m_dbGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_dbGrid1->setEnabled(false); // shows the types; the first one is the one in use
    m_dbGrid2 = new TDBGrid(
        DM->QSelectTest,
        {{QStringLiteral("aa"), Str::LabelTestName}, {QStringLiteral("poradi"), Str::LabelTestName}},
        m_page1);
    m_dbGrid2->setObjectName(QStringLiteral("DBGrid2"));
    m_dbGrid2->setTitles(false);
    m_dbGrid2->setName(Str::LabelTestName);
    m_dbGrid2->setShowGrid(false);
    m_dbGrid2->setGeometry(280, 28, 260, 216);
    m_dbGrid2->setColumnWidth(0, 84);
    m_dbGrid3 =
        grid(DM->QSelectQuest, QStringLiteral("OKRUH"), Str::LabelQuestionGroup, m_page2, {0, 28, 300, 216});
    m_dbGrid3->setObjectName(QStringLiteral("DBGrid3"));
    m_dbEdit1 = new TDBEdit(DM->QSelectQuest, QStringLiteral("Pocet"), m_page2);
    m_dbEdit1->setObjectName(QStringLiteral("DBEdit1"));
    m_dbEdit1->setAccessibleName(Str::LabelQuestionCount);
    m_dbEdit1->setGeometry(450, 4, 90, 24);
    m_dbEdit2 = new TDBEdit(DM->QSelectQuest, QStringLiteral("PocetDef"), m_page2);
    m_dbEdit2->setObjectName(QStringLiteral("DBEdit2"));
    m_dbEdit2->setAccessibleName(Str::NameQuestionCountDef);
    m_dbEdit2->setGeometry(450, 4, 90, 24);
    m_dbEdit2->setEnabled(false);

    connect(m_dbGrid2, &TDBGrid::rowDoubleClicked, this, [this] { Guarded([&] { OkBtnClick(); }); });
    connect(DM->QSelectTestType, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource1DataChange(f); }); });
    connect(DM->QSelectTest, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource2DataChange(f); }); });
    connect(DM->QSelectQuest, &TDataSet::dataChange, this,
            [this](const QString& f) { Guarded([&] { DataSource3DataChange(f); }); });
}

TTestTypeDlg::~TTestTypeDlg()
{
    if (TestTypeDlg == this) TestTypeDlg = nullptr;
}

void TTestTypeDlg::Execute(int mode)
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
    m_mode = mode;
    {
        const QSignalBlocker block(m_tabSet1);
        while (m_tabSet1->count() > 0)
            m_tabSet1->removeTab(0);
        m_tabSet1->addTab(Str::TabStoredTests);
        m_tabSet1->addTab(Str::TabRandomTest);
    }
    m_dbEdit1->setVisible(mode != tmLive);
    m_dbEdit2->setVisible(mode == tmLive);

    DM->QSelectTestType->close();
    DM->QSelectTestType->setParam(QStringLiteral("ID_TYPTEST"), 0);
    m_label1->setText(headingOf(mode));
    setWindowTitle(headingOf(mode));
    DM->QSelectTestType->open();

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

    if (DM->QSelectQuest->active()) DM->QSelectQuest->first();
    m_tabSet1->setCurrentIndex(0);
    TabSet1Change(0);
    TimeLimitChange();
    m_dbEdit1->refresh();
    m_dbEdit2->refresh();
    SelectionLayout::showGroupPicture(m_image1, DM->QSelectQuest);

    centreOnScreen();
    ShowModal();
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

void TTestTypeDlg::DataSource1DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty()) return;
    TQuery* types = DM->QSelectTestType;
    DM->QSelectTest->close();
    if (!types->active() || types->isEmpty()) return;
    DM->QSelectTest->setParam(QStringLiteral("ID_TYPTEST"), types->asInteger(QStringLiteral("ID_TYPTEST")));
    DM->QSelectTest->setParam(QStringLiteral("SKILL_LEVEL"), SkillLevelPattern(SignedInPupil.SkillLevel));
    DM->QSelectTest->open();
}

void TTestTypeDlg::DataSource2DataChange(const QString& field)
{
    if (!m_running || !field.isEmpty() || m_tabSet1->currentIndex() != 0) return;
    m_okBtn->setEnabled(DM->QSelectTest->active() && !DM->QSelectTest->isEmpty());
}

void TTestTypeDlg::DataSource3DataChange(const QString& field)
{
    if (m_running && isVisible() && field.isEmpty())
        SelectionLayout::showGroupPicture(m_image1, DM->QSelectQuest);
}

void TTestTypeDlg::TabSet1Change(int newTab)
{
    m_page1->setVisible(newTab == 0);
    m_page2->setVisible(newTab == 1);
    // The random test needs no stored test, so its tab always offers OK.
    if (newTab == 1)
        m_okBtn->setEnabled(true);
    else
        m_okBtn->setEnabled(DM->QSelectTest->active() && !DM->QSelectTest->isEmpty());
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

void TTestTypeDlg::OkBtnClick()
{
    if (!m_okBtn->isEnabled()) return;
    int minutes = 0;
    if (m_timeLimit->isChecked()) minutes = StrToInt(TrimText(m_edit1->text()));
    TQuery* groups = DM->QSelectQuest;
    if (const auto bad = GroupCounts::InvalidGroup(*groups)) {
        SystemDlg->Execute(Format(Str::BadQuestionCount, {*bad}), true);
        return;
    }
    if (m_timeLimit->isChecked() && m_mode == tmPractice)
        DM->SetConst(QStringLiteral("TIMEOUT"), m_edit1->text());
    GroupCounts::Store(*groups, m_dbEdit1->text());

    hide();
    if (m_tabSet1->currentIndex() == 0) {
        TQuery* test = DM->QSelectTest;
        const int testId = test->asInteger(QStringLiteral("id_test"));
        DM->QTestType2->close();
        DM->QTestType2->setParam(QStringLiteral("ID_TEST"), testId);
        DM->QTestType2->open();
        const QString caption = m_label1->text() + QStringLiteral(" - ") +
                                TrimText(test->asString(QStringLiteral("aa"))) + u' ' +
                                TrimText(test->asString(QStringLiteral("poradi")));
        TestDlg->RunTest(m_mode, testId, caption, DM->QTestType2, false, quint16(minutes));
    } else {
        if (WaitDlg) WaitDlg->ShowWait(Str::WaitRandomTest);
        bool drawn = false;
        try {
            drawn = GenerateRandomTest();
        } catch (...) {
            if (WaitDlg) WaitDlg->HideWait();
            throw;
        }
        if (WaitDlg) WaitDlg->HideWait();
        if (drawn) {
            const QString caption = m_label1->text() + QStringLiteral(" - ") + m_tabSet1->tabText(1);
            TestDlg->RunTest(m_mode, 0, caption, DM->QTestType3, false, quint16(minutes));
        } else {
            SystemDlg->Execute(Str::NoQuestionDrawn, true);
        }
    }
    accept();
}

void TTestTypeDlg::CancelBtnClick()
{
    reject();
}

void TTestTypeDlg::FormClose()
{
    GroupCounts::Discard(*DM->QSelectQuest);
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
    if (drawn.isEmpty()) return false;
    TQuery* test = DM->QTestType3;
    test->close();
    test->setSql(RandomDraw::IdStatement(drawn));
    test->open();
    return true;
}
