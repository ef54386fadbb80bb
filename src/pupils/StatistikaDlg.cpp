// The window of a pupil's progress.
#include "StatistikaDlg.h"

#include "FigureTable.h"
#include "PointsChart.h"
#include "data/Clock.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

TStatistikaDlg* StatistikaDlg = nullptr;

namespace {
const QColor PassColour(0, 110, 40);
const QColor FailColour(170, 20, 20);

QString czechDate(const QDateTime& when)
{
    return QLocale(QLocale::Czech).toString(when, QStringLiteral("d. M. yyyy"));
}
} // namespace

TStatistikaDlg::TStatistikaDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("StatistikaDlg"));
    setWindowTitle(Str::StatisticsHeading);
    setSkin(QStringLiteral("statistika"), QSize(780, 640));

    auto* heading = new QLabel(Str::StatisticsHeading, this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    heading->setFont(bold);
    heading->setGeometry(20, 14, 740, 24);

    m_pupil = new QLabel(this);
    m_pupil->setObjectName(QStringLiteral("PupilLb"));
    m_pupil->setGeometry(20, 40, 740, 20);

    m_chart = PointsChart::make(this);
    if (m_chart) {
        m_chartArea = m_chart->widget();
    } else {
        auto* missing = new QLabel(Format(Str::ChartUnavailable, {QLatin1String(PointsChart::ModuleName)}), this);
        missing->setAlignment(Qt::AlignCenter);
        missing->setWordWrap(true);
        m_chartArea = missing;
    }
    m_chartArea->setObjectName(QStringLiteral("Chart"));
    m_chartArea->setAccessibleName(Str::ChartName);
    if (auto* frame = qobject_cast<QFrame*>(m_chartArea))
        frame->setFrameShape(QFrame::StyledPanel);
    m_chartArea->setGeometry(20, 64, 740, 240);
    m_chartArea->setFocusPolicy(Qt::TabFocus);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("SummaryLb"));
    m_summary->setGeometry(20, 308, 740, 20);

    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("VerdictLb"));
    QFont verdictFont = m_verdict->font();
    verdictFont.setBold(true);
    verdictFont.setPixelSize(15);
    m_verdict->setFont(verdictFont);
    m_verdict->setGeometry(20, 332, 740, 22);

    m_rule = new QLabel(this);
    m_rule->setObjectName(QStringLiteral("RuleLb"));
    m_rule->setWordWrap(true);
    m_rule->setGeometry(20, 354, 740, 20);

    addTables();

    m_ok = TDsFancyButton::create(Str::Ok, this, {663, 600, 97, 25}, QStringLiteral("OkBtn"));
    QPushButton* def = addHiddenDefaultButton(Str::RecordDefault);
    def->setObjectName(QStringLiteral("DefBtn"));
    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));
    connect(m_ok, &QAbstractButton::clicked, this, [this] { accept(); });
    connect(def, &QAbstractButton::clicked, this, [this] { accept(); });

    if (!StatistikaDlg)
        StatistikaDlg = this;
}

TStatistikaDlg::~TStatistikaDlg()
{
    if (StatistikaDlg == this)
        StatistikaDlg = nullptr;
}

void TStatistikaDlg::addTables()
{
    auto* groupsLabel = new QLabel(Str::LabelGroupShares, this);
    groupsLabel->setGeometry(20, 384, 370, 20);
    m_groups = FigureTable::make(this, {Str::ColGroup, Str::ColShareAll, Str::ColShareRecent}, Str::GroupSharesName);
    m_groups->setObjectName(QStringLiteral("GroupGrid"));
    m_groups->setGeometry(20, 406, 370, 184);
    groupsLabel->setBuddy(m_groups);

    auto* failedLabel = new QLabel(Str::LabelPupilFailed, this);
    failedLabel->setGeometry(400, 384, 360, 20);
    m_failed = FigureTable::make(this, {Str::ColQuestion, Str::ColWrongOfAsked}, Str::PupilFailedName);
    m_failed->setObjectName(QStringLiteral("FailedGrid"));
    m_failed->setGeometry(400, 406, 360, 184);
    failedLabel->setBuddy(m_failed);
}

void TStatistikaDlg::Execute(int pupilId, const QString& fullName)
{
    Load(pupilId, fullName);
    centreOnScreen();
    ShowModal();
}

void TStatistikaDlg::Load(int pupilId, const QString& fullName)
{
    m_pupil->setText(Format(Str::StatisticsPupil, {fullName}));
    const int minimum = TProgressData::passMinimum(pupilId);
    const QVector<Progress::TLiveTest> tests = TProgressData::liveTests(pupilId);
    showChart(tests, minimum);
    showVerdict(tests, minimum);
    showGroups(TProgressData::groupTallies(pupilId, Progress::recentSince(Clock::now())));
    showFailed(Progress::mostFailed(TProgressData::pupilQuestionTallies(pupilId), FailedShown));
}

void TStatistikaDlg::showChart(const QVector<Progress::TLiveTest>& tests, int minimum)
{
    if (m_chart)
        m_chart->show({tests, minimum, Clock::now(), Str::ChartSeries, Format(Str::ChartPassLine, {minimum}),
                       Str::ChartAxisDate, Str::ChartAxisPoints});

    if (tests.isEmpty()) {
        m_summary->setText(Str::ChartNoTests);
    } else {
        const auto best = std::max_element(tests.begin(), tests.end(), [](const auto& a, const auto& b) {
            return a.points < b.points;
        });
        m_summary->setText(Format(Str::ChartSummary, {int(tests.size()), czechDate(tests.last().when),
                                                      tests.last().points, tests.last().total, best->points,
                                                      minimum}));
    }
    m_chartArea->setAccessibleDescription(m_summary->text());
}

void TStatistikaDlg::showVerdict(const QVector<Progress::TLiveTest>& tests, int minimum)
{
    QVector<int> newestFirst;
    for (auto it = tests.rbegin(); it != tests.rend() && newestFirst.size() < Progress::ReadyRun; ++it)
        newestFirst.append(it->points);
    const Progress::TReadiness r = Progress::readiness(newestFirst, minimum);
    m_verdict->setText(Progress::verdictText(r));
    QPalette pal = m_verdict->palette();
    pal.setColor(QPalette::WindowText, r.ready ? PassColour : FailColour);
    m_verdict->setPalette(pal);
    m_rule->setText(Progress::ruleText(minimum));
}

void TStatistikaDlg::showGroups(const QVector<Progress::TGroupTally>& groups)
{
    QVector<QStringList> rows;
    for (const Progress::TGroupTally& g : groups)
        rows.append({g.name, Progress::shareText(g.right, g.asked), Progress::shareText(g.rightRecent, g.askedRecent)});
    FigureTable::fill(m_groups, rows, Str::NoAnswersKept);
}

void TStatistikaDlg::showFailed(const QVector<Progress::TQuestionTally>& failed)
{
    QVector<QStringList> rows;
    QStringList tips;
    for (const Progress::TQuestionTally& q : failed) {
        rows.append({Progress::shortened(q.text, 60), Format(Str::WrongOfAsked, {q.wrong, q.asked})});
        tips.append(q.text.simplified());
    }
    FigureTable::fill(m_failed, rows, Str::NoFailedQuestion, tips);
}
