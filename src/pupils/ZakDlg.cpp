// The pupil record window.
#include "ZakDlg.h"

#include "DBLookupList.h"
#include "ReportPrint.h"
#include "StatistikaDlg.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

TZakDlg* ZakDlg = nullptr;

namespace {
// The edits in the order of their numbers: field, label and the column's length.
struct EditSpec
{
    const char* field;
    const QString* label;
    int maxLength;
};
} // namespace

TZakDlg::TZakDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("ZakDlg"));
    setWindowTitle(Str::RecordHeading);
    setSkin(QStringLiteral("zakdlg"), QSize(640, 520));

    boldLabel(Str::RecordHeading, this, {20, 16, 600, 24}, 16);

    addEdits();
    addLists();
    addButtons();
    addStatisticsButton();

    connect(DM->QStatistic, &TDataSet::dataChange, this, [this](const QString& field) {
        if (field.isEmpty() || field.compare(QLatin1String("REPORT"), Qt::CaseInsensitive) == 0) showReport();
        DataSource3DataChange();
    });
    showReport();
    DataSource3DataChange();
    if (!ZakDlg) ZakDlg = this;
}

// The edits of the pupil's fields, one under another with their labels.
void TZakDlg::addEdits()
{
    const EditSpec specs[] = {{"RC", &Str::LabelIdentification, 11}, {"HESLO", &Str::LabelPassword, 10},
                              {"PRIJMENI", &Str::LabelSurname, 60},  {"JMENO", &Str::LabelFirstName, 60},
                              {"TITUL", &Str::LabelTitle, 30},       {"ADRESA", &Str::LabelAddress, 120},
                              {"TELEFON", &Str::LabelPhone, 40}};
    int top = 56;
    int n = 1;
    for (const EditSpec& s : specs) {
        auto* label = new QLabel(*s.label, this);
        label->setGeometry(20, top, 92, 24);
        auto* edit = new TDBEdit(DM->QZak, QString::fromLatin1(s.field), this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(n++));
        edit->setMaxLength(s.maxLength);
        edit->setGeometry(112, top, 200, 24);
        edit->setAccessibleName(*s.label);
        label->setBuddy(edit);
        m_edits.append(edit);
        top += 30;
    }
}

// The category list, the pupil's reports and the text of the current one.
void TZakDlg::addLists()
{
    auto* categoryLabel = new QLabel(Str::LabelCategory, this);
    categoryLabel->setGeometry(340, 56, 280, 20);
    m_category =
        new TDBLookupList(DM->QZak, QStringLiteral("RP"), DM->QRP, QStringLiteral("RP"),
                          {{QStringLiteral("RP"), QString()}, {QStringLiteral("POPIS"), QString()}}, this);
    m_category->setObjectName(QStringLiteral("DBLookupListBox1"));
    m_category->setAccessibleName(Str::LabelCategory);
    m_category->setGeometry(340, 78, 280, 188);
    m_category->setColumnWidth(0, 44);
    categoryLabel->setBuddy(m_category);

    auto* reportsLabel = new QLabel(Str::LabelReports, this);
    reportsLabel->setGeometry(20, 280, 600, 20);
    m_reports = new TDBGrid(
        DM->QStatistic, {{QStringLiteral("TEST_NAME"), QString()}, {QStringLiteral("DATETIME"), QString()}},
        this);
    m_reports->setObjectName(QStringLiteral("DBGrid1"));
    m_reports->setTitles(false);
    m_reports->setName(Str::LabelReports);
    m_reports->setGeometry(20, 302, 230, 156);
    m_reports->setColumnWidth(0, 110);
    reportsLabel->setBuddy(m_reports);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("DBMemo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setAccessibleName(Str::ReportTextName);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    fixed.setPixelSize(12);
    m_memo->setFont(fixed);
    m_memo->setGeometry(260, 302, 360, 156);
}

void TZakDlg::addButtons()
{
    m_del = TDsFancyButton::create(Str::DeleteCaption, this, {20, 470, 97, 25}, QStringLiteral("DelBtn"));
    m_print = TDsFancyButton::create(Str::PrintCaption, this, {127, 470, 97, 25}, QStringLiteral("PrintBtn"));
    m_ok = TDsFancyButton::create(Str::Ok, this, {309, 470, 97, 25}, QStringLiteral("OkBtn"));
    m_cancel = TDsFancyButton::create(Str::Cancel, this, {416, 470, 97, 25}, QStringLiteral("CancelBtn"));
    m_help = TDsFancyButton::create(Str::Help, this, {523, 470, 97, 25}, QStringLiteral("HelpBtn"));

    QPushButton* def = addHiddenDefaultButton(Str::RecordDefault);
    def->setObjectName(QStringLiteral("DefBtn"));
    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));

    connectGuarded(m_ok, &QAbstractButton::clicked, this, &TZakDlg::OkBtnClick);
    connectGuarded(def, &QAbstractButton::clicked, this, &TZakDlg::OkBtnClick);
    connectGuarded(m_cancel, &QAbstractButton::clicked, this, &TZakDlg::CancelBtnClick);
    connectGuarded(m_del, &QAbstractButton::clicked, this, &TZakDlg::DelBtnClick);
    connectGuarded(m_print, &QAbstractButton::clicked, this, &TZakDlg::PrintBtnClick);
}

// Beside the reports, whose live tests it charts.
void TZakDlg::addStatisticsButton()
{
    m_stat = TDsFancyButton::create(Str::StatisticsCaption, this, {523, 272, 97, 25}, QStringLiteral("StatBtn"));
    // Alt+S stays with "&Storno", which the window had first.
    m_stat->setShortcut(QKeySequence());
    connectGuarded(m_stat, &QAbstractButton::clicked, this, &TZakDlg::StatBtnClick);
}

void TZakDlg::StatBtnClick()
{
    TQuery* zak = DM->QZak;
    const int pupilId = zak->active() && !zak->isEmpty() ? zak->asInteger(QStringLiteral("ID_ZAK")) : -1;
    if (pupilId <= 0)
        return;
    QStringList name;
    for (const char* field : {"TITUL", "JMENO", "PRIJMENI"})
        name.append(TrimText(zak->asString(QLatin1String(field))));
    name.removeAll(QString());
    StatistikaDlg->Execute(pupilId, name.join(u' '));
}

TZakDlg::~TZakDlg()
{
    if (ZakDlg == this) ZakDlg = nullptr;
}

bool TZakDlg::EditPupil(bool newPupil, const QString& identification, const QString& password)
{
    TQuery* zak = DM->QZak;
    if (!zak->active())
        DM->OpenEmptyRegister();
    if (newPupil) {
        zak->insert();
        zak->setValue(QStringLiteral("ID_ZAK"), -1);
        zak->setValue(QStringLiteral("RC"), identification);
        zak->setValue(QStringLiteral("HESLO"), password);
    } else {
        zak->edit();
    }
    TQuery* stat = DM->QStatistic;
    stat->close();
    stat->setParam(QStringLiteral("ID_ZAK"), zak->asInteger(QStringLiteral("ID_ZAK")));
    stat->open();
    for (TDBEdit* e : std::as_const(m_edits))
        e->refresh();
    m_category->refresh();
    m_stat->setEnabled(zak->asInteger(QStringLiteral("ID_ZAK")) > 0);
    centreOnScreen();
    return ShowModal();
}

void TZakDlg::showEvent(QShowEvent* e)
{
    TForm::showEvent(e);
    m_edits[0]->setFocus();
}

void TZakDlg::showReport()
{
    TDataSet* stat = DM->QStatistic;
    QString text;
    if (stat->active() && !stat->isEmpty() && stat->hasField(QStringLiteral("REPORT")))
        text = stat->asString(QStringLiteral("REPORT"));
    if (text != m_memo->toPlainText()) m_memo->setPlainText(text);
}

void TZakDlg::DataSource3DataChange()
{
    TDataSet* stat = DM->QStatistic;
    const bool any = stat->active() && stat->recordCount() > 0;
    m_print->setEnabled(any);
    m_del->setEnabled(any && SignedInPupil.PupilId == PrivilegedPupilId);
}

void TZakDlg::OkBtnClick()
{
    TQuery* zak = DM->QZak;
    const QString rc = TrimText(zak->asString(QStringLiteral("RC")));
    if (rc.isEmpty()) {
        SystemDlg->Execute(Str::NoIdentification, true);
        m_edits[0]->setFocus();
        return;
    }
    if (DM->IdentificationTaken(rc, zak->asInteger(QStringLiteral("ID_ZAK")))) {
        SystemDlg->Execute(Str::PupilExists, true);
        m_edits[0]->setFocus();
        return;
    }
    if (TrimText(zak->asString(QStringLiteral("PRIJMENI"))).isEmpty()) {
        SystemDlg->Execute(Str::NoSurname, true);
        m_edits[2]->setFocus();
        return;
    }
    const QString category = zak->asString(QStringLiteral("RP"));
    if (TrimText(category).isEmpty()) {
        SystemDlg->Execute(Str::NoCategory, true);
        m_category->setFocus();
        return;
    }
    // The category's animation and description are shown by the register from this row.
    TDataSet* rp = DM->QRP;
    zak->edit();
    // Every look-up trims the identification, so it is stored as they look for it.
    if (zak->asString(QStringLiteral("RC")) != rc)
        zak->setValue(QStringLiteral("RC"), rc);
    if (rp->locate(QStringLiteral("RP"), category)) {
        if (zak->hasField(QStringLiteral("ID_AVI")))
            zak->setValue(QStringLiteral("ID_AVI"), rp->asInteger(QStringLiteral("ID_AVI")));
        if (zak->hasField(QStringLiteral("POPIS")))
            zak->setValue(QStringLiteral("POPIS"), rp->asString(QStringLiteral("POPIS")));
    }
    zak->postAndApply();
    accept();
}

void TZakDlg::CancelBtnClick()
{
    reject();
}

void TZakDlg::FormClose()
{
    TQuery* zak = DM->QZak;
    if (zak->active() && zak->state() != TDataSet::State::Browse) zak->cancel();
    if (zak->active() && zak->updatesPending()) zak->cancelUpdates();
}

void TZakDlg::DelBtnClick()
{
    TQuery* stat = DM->QStatistic;
    if (!stat->active() || stat->isEmpty() || SignedInPupil.PupilId != PrivilegedPupilId) return;
    const QString when =
        QLocale(QLocale::Czech).toString(stat->asDateTime(QStringLiteral("DATETIME")), QLocale::ShortFormat);
    if (!SystemDlg->Execute(Format(Str::ConfirmDeleteReport, {when}), false)) return;
    stat->remove();
    try {
        stat->applyUpdates();
        stat->commitUpdates();
    } catch (const TError&) {
        // The report is still stored: show it again as it is.
        stat->close();
        stat->open();
        throw;
    }
}

void TZakDlg::PrintBtnClick()
{
    TDataSet* stat = DM->QStatistic;
    if (!stat->active() || stat->isEmpty()) return;
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintReport(m_memo->toPlainText().split(u'\n'), printer);
}
