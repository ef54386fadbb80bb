// The pupil register window.
#include "ZakListDlg.h"

#include "Animate.h"
#include "FailedDlg.h"
#include "SignIn.h"
#include "ZakDlg.h"
#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Format.h"
#include "pictures/FrameList.h"
#include "data/Globals.h"
#include "data/SignInLock.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>

TZakListDlg* ZakListDlg = nullptr;

namespace {
// A disabled panel of two captioned values of QZak.
QFrame* detailPanel(QWidget* parent, const QRect& geometry, const QString& caption1, const char* field1,
                    const QString& caption2, const char* field2)
{
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(geometry);
    panel->setAccessibleName(TrimText(caption1) + QStringLiteral(", ") + TrimText(caption2));
    int top = 6;
    for (const auto& [caption, field] : {std::pair{caption1, field1}, std::pair{caption2, field2}}) {
        TForm::boldLabel(caption, panel, {8, top, geometry.width() - 16, 18});
        auto* value = new TDBText(DM->QZak, QString::fromLatin1(field), panel);
        value->setObjectName(QString::fromLatin1(field));
        value->setCaption(TrimText(caption));
        value->setGeometry(8, top + 18, geometry.width() - 16, 20);
        top += 44;
    }
    // Display only: disabled, yet as legible as the rest of the window.
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(32, 32, 32));
    panel->setPalette(pal);
    panel->setEnabled(false);
    return panel;
}
} // namespace

TZakListDlg::TZakListDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("ZakListDlg"));
    setWindowTitle(Str::RegisterHeading);
    setSkin(QStringLiteral("zaklist"), QSize(760, 520));

    boldLabel(Str::RegisterHeading, this, {20, 16, 600, 24}, 16);

    addGrid();

    detailPanel(this, QRect(516, 52, 224, 94), Str::PanelAddress, "ADRESA", Str::PanelPhone, "TELEFON");
    detailPanel(this, QRect(516, 158, 224, 94), Str::PanelCategory, "RP", Str::PanelDescription, "POPIS");

    auto* animationFrame = new QFrame(this);
    animationFrame->setFrameShape(QFrame::StyledPanel);
    animationFrame->setFrameShadow(QFrame::Sunken);
    animationFrame->setGeometry(526, 270, 204, 170);
    animationFrame->setAccessibleName(Str::AnimationName);
    m_animation = new TAnimate(animationFrame);
    m_animation->setObjectName(QStringLiteral("Animated1"));
    m_animation->setAccessibleName(Str::AnimationName);
    m_animation->setGeometry(2, 2, 200, 166);

    addButtons();
    if (!ZakListDlg)
        ZakListDlg = this;
}

// The filter above the grid of pupils with their figures.
void TZakListDlg::addGrid()
{
    auto* filterLabel = new QLabel(Str::LabelFilter, this);
    filterLabel->setGeometry(20, 48, 230, 24);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("FilterEdit"));
    m_filter->setAccessibleName(QString(Str::LabelFilter).remove(u'&').remove(u':'));
    m_filter->setClearButtonEnabled(true);
    m_filter->setGeometry(250, 48, 250, 24);
    filterLabel->setBuddy(m_filter);
    connect(m_filter, &QLineEdit::textChanged, this, [this] { Guarded([this] { filterChanged(); }); });

    const Qt::Alignment centred = Qt::AlignCenter;
    TDataSet* zak = DM->QZak;
    m_grid = new TDBGrid(zak,
                         {{QStringLiteral("RC"), Str::LabelIdentification, centred},
                          {QStringLiteral("PRIJMENI"), Str::ColSurname, centred},
                          {QStringLiteral("JMENO"), Str::ColFirstName, centred},
                          {QString(), Str::ColLastPoints, centred,
                           [this, zak](int row) { return m_figures.lastPoints(*zak, row); }},
                          {QString(), Str::ColReady, centred,
                           [this, zak](int row) { return m_figures.verdictWord(*zak, row); }}},
                         this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setName(Str::RegisterGridName);
    m_grid->setGeometry(20, 80, 480, 372);
    m_grid->setColumnWidth(0, 90);
    m_grid->setColumnWidth(1, 118);
    m_grid->setColumnWidth(2, 90);
    m_grid->setColumnWidth(3, 64);
    connectGuarded(m_grid, &TDBGrid::rowDoubleClicked, this, &TZakListDlg::UpdBtnClick);
}

void TZakListDlg::addButtons()
{
    const std::pair<TDsFancyButton**, std::pair<const QString*, const char*>> specs[] = {
        {&m_add, {&Str::AddPupil, "AddBtn"}},          {&m_upd, {&Str::UpdatePupil, "UpdBtn"}},
        {&m_del, {&Str::DeleteCaption, "DelBtn"}},     {&m_failed, {&Str::FailedListCaption, "FailedBtn"}},
        {&m_export, {&Str::ExportCaption, "ExportBtn"}}, {&m_ok, {&Str::Ok, "OkBtn"}},
        {&m_help, {&Str::Help, "HelpBtn"}}};
    const int lefts[] = {20, 123, 226, 329, 432, 540, 643};
    int i = 0;
    for (const auto& [button, caption] : specs)
        *button = TDsFancyButton::create(*caption.first, this, {lefts[i++], 472, 97, 25},
                                         QLatin1String(caption.second));

    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));

    connectGuarded(m_add, &QAbstractButton::clicked, this, &TZakListDlg::AddBtnClick);
    connectGuarded(m_upd, &QAbstractButton::clicked, this, &TZakListDlg::UpdBtnClick);
    connectGuarded(m_del, &QAbstractButton::clicked, this, &TZakListDlg::DelBtnClick);
    connectGuarded(m_ok, &QAbstractButton::clicked, this, &TZakListDlg::OkBtnClick);
    connectGuarded(m_failed, &QAbstractButton::clicked, this, &TZakListDlg::FailedBtnClick);
    connectGuarded(m_export, &QAbstractButton::clicked, this, &TZakListDlg::ExportBtnClick);
}

TZakListDlg::~TZakListDlg()
{
    if (ZakListDlg == this)
        ZakListDlg = nullptr;
}

bool TZakListDlg::Execute()
{
    m_animationId = -1;
    m_animation->clear();
    m_figures.load();
    {
        // the filter of the last opening is gone: every pupil is shown
        const QSignalBlocker quiet(m_filter);
        m_filter->clear();
    }
    m_grid->dataModel()->setRowFilter({});
    centreOnScreen();
    return ShowModal();
}

void TZakListDlg::attachRowChange()
{
    if (!m_rowChange)
        m_rowChange =
            connectGuarded(DM->QZak, &TDataSet::dataChange, this, &TZakListDlg::DataSource1DataChange);
}

void TZakListDlg::showEvent(QShowEvent* e)
{
    TForm::showEvent(e);
    // The details follow the rows from the moment the register is on screen, before the window
    // manager gets round to activating it.
    attachRowChange();
    Guarded([this] { DataSource1DataChange(); });
}

void TZakListDlg::FormActivate()
{
    if (!firstActivationOfOpening())
        return;
    attachRowChange();
    DataSource1DataChange();
}

void TZakListDlg::DataSource1DataChange()
{
    if (!isVisible())
        return;
    TDataSet* zak = DM->QZak;
    const bool hasRow = zak->active() && !zak->isEmpty();
    const int pupilId = hasRow ? zak->asInteger(QStringLiteral("ID_ZAK")) : 0;
    const bool shown = hasRow && currentRowShown();
    m_del->setEnabled(shown && pupilId != PrivilegedPupilId);
    m_upd->setEnabled(shown);
    showAnimation(hasRow && zak->hasField(QStringLiteral("ID_AVI")) ? zak->asInteger(QStringLiteral("ID_AVI"))
                                                                    : 0);
}

void TZakListDlg::showAnimation(int animationId)
{
    // Edits of the current row notify too; an animation already on show keeps playing.
    if (animationId == m_animationId && (m_animation->playing() || m_animation->frameCount() == 0))
        return;
    m_animationId = animationId;
    m_animation->stop();
    TDataSet* res = DM->TRes;
    if (animationId != 0 && res->active() && res->locate(QStringLiteral("ID"), animationId)) {
        m_animation->setFrames(ParseFrameList(res->asBytes(QStringLiteral("BLOB"))));
        m_animation->play();
    } else {
        m_animation->clear();
    }
}

void TZakListDlg::AddBtnClick()
{
    ZakDlg->EditPupil(true, QString(), QString());
}

void TZakListDlg::UpdBtnClick()
{
    if (!currentRowShown())
        return;
    ZakDlg->EditPupil(false, QString(), QString());
}

void TZakListDlg::DelBtnClick()
{
    TQuery* zak = DM->QZak;
    if (!zak->active() || zak->isEmpty() || !currentRowShown())
        return;
    const int pupilId = zak->asInteger(QStringLiteral("ID_ZAK"));
    if (pupilId == PrivilegedPupilId)
        return;
    const QString question = Format(Str::ConfirmDeletePupil, {zak->asString(QStringLiteral("TITUL")),
                                                              zak->asString(QStringLiteral("PRIJMENI")),
                                                              zak->asString(QStringLiteral("JMENO"))});
    if (!SystemDlg->Execute(question, true))
        return;

    // A pupil signed in anywhere (this station included) holds the lock and is not deleted.
    TSignInLock& lock = DM->engine().signInLock();
    if (lock.isHeld(pupilId) || !lock.tryLock(pupilId)) {
        SystemDlg->Execute(Str::PupilSignedInElsewhere, true);
        return;
    }
    struct Release
    {
        TSignInLock& lock;
        int id;
        ~Release() { lock.release(id); }
    } release{lock, pupilId};

    auto showAgain = [&] {
        zak->close();
        zak->open();
        zak->locate(QStringLiteral("ID_ZAK"), pupilId);
    };
    zak->remove();
    try {
        zak->applyUpdates();
        zak->commitUpdates();
    } catch (const TError&) {
        showAgain();
        throw;
    }
    if (DM->PupilExists(pupilId)) {
        showAgain();
        SystemDlg->Execute(Str::PupilNotDeleted, true);
    }
}

void TZakListDlg::OkBtnClick()
{
    accept();
}

void TZakListDlg::FormClose()
{
    if (m_rowChange)
        disconnect(m_rowChange);
    m_rowChange = {};
    m_animation->stop();
    m_animationId = -1;
    // The signed-in pupil's own row may have been edited here.
    DM->OpenPupilById(*DM->QTmp, SignedInPupil.PupilId);
    if (!DM->QTmp->isEmpty())
        FillSignedInPupil(*DM->QTmp);
}

bool TZakListDlg::currentRowShown() const
{
    TDataSet* zak = DM->QZak;
    return zak->active() && !zak->isEmpty() && m_grid->dataModel()->viewRow(zak->currentIndex()) >= 0;
}

QVector<int> TZakListDlg::shownRows() const
{
    QVector<int> rows;
    const TDataSetModel* model = m_grid->dataModel();
    for (int r = 0; r < model->rowCount(); ++r)
        rows.append(model->dataSetRow(r));
    return rows;
}

void TZakListDlg::filterChanged()
{
    TDataSet* zak = DM->QZak;
    const QString filter = m_filter->text();
    if (TrimText(filter).isEmpty())
        m_grid->dataModel()->setRowFilter({});
    else
        m_grid->dataModel()->setRowFilter(
            [zak, filter](int row) { return TRegisterFigures::matches(*zak, row, filter); });
    // The details and the buttons belong to a pupil the grid shows.
    const QVector<int> rows = shownRows();
    if (!rows.isEmpty() && !currentRowShown())
        zak->moveTo(rows.first());
    DataSource1DataChange();
}

void TZakListDlg::FailedBtnClick()
{
    FailedDlg->Execute();
}

bool TZakListDlg::ExportTo(const QString& fileName, QString* error)
{
    QSaveFile file(fileName);
    const QByteArray bytes = Progress::csv(m_figures.exportRows(*DM->QZak, shownRows()));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void TZakListDlg::ExportBtnClick()
{
    QFileDialog dialog(this, Str::ExportDialogTitle, QDir::home().filePath(Str::ExportDefaultName),
                       Str::ExportFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = QDir::toNativeSeparators(dialog.selectedFiles().first());
    QString error;
    if (ExportTo(fileName, &error))
        SystemDlg->Execute(Format(Str::ExportDone, {fileName, int(shownRows().size())}), true);
    else
        SystemDlg->Execute(Format(Str::ExportFailed, {fileName, error}), true);
}
