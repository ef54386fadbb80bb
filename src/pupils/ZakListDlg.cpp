// The pupil register window.
#include "ZakListDlg.h"

#include "Animate.h"
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

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

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
    setSkin(QStringLiteral("zaklist"), QSize(640, 500));

    boldLabel(Str::RegisterHeading, this, {20, 16, 600, 24}, 16);

    const Qt::Alignment centred = Qt::AlignCenter;
    m_grid = new TDBGrid(DM->QZak,
                         {{QStringLiteral("RC"), Str::LabelIdentification, centred},
                          {QStringLiteral("PRIJMENI"), Str::ColSurname, centred},
                          {QStringLiteral("JMENO"), Str::ColFirstName, centred}},
                         this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setName(Str::RegisterGridName);
    m_grid->setGeometry(20, 52, 380, 382);
    m_grid->setColumnWidth(0, 100);
    m_grid->setColumnWidth(1, 140);
    connectGuarded(m_grid, &TDBGrid::rowDoubleClicked, this, &TZakListDlg::UpdBtnClick);

    detailPanel(this, QRect(416, 52, 204, 94), Str::PanelAddress, "ADRESA", Str::PanelPhone, "TELEFON");
    detailPanel(this, QRect(416, 158, 204, 94), Str::PanelCategory, "RP", Str::PanelDescription, "POPIS");

    auto* animationFrame = new QFrame(this);
    animationFrame->setFrameShape(QFrame::StyledPanel);
    animationFrame->setFrameShadow(QFrame::Sunken);
    animationFrame->setGeometry(416, 264, 204, 170);
    animationFrame->setAccessibleName(Str::AnimationName);
    m_animation = new TAnimate(animationFrame);
    m_animation->setObjectName(QStringLiteral("Animated1"));
    m_animation->setAccessibleName(Str::AnimationName);
    m_animation->setGeometry(2, 2, 200, 166);

    m_add = TDsFancyButton::create(Str::AddPupil, this, {20, 452, 97, 25}, QStringLiteral("AddBtn"));
    m_upd = TDsFancyButton::create(Str::UpdatePupil, this, {127, 452, 97, 25}, QStringLiteral("UpdBtn"));
    m_del = TDsFancyButton::create(Str::DeleteCaption, this, {234, 452, 97, 25}, QStringLiteral("DelBtn"));
    m_ok = TDsFancyButton::create(Str::Ok, this, {416, 452, 97, 25}, QStringLiteral("OkBtn"));
    m_help = TDsFancyButton::create(Str::Help, this, {523, 452, 97, 25}, QStringLiteral("HelpBtn"));

    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));

    connectGuarded(m_add, &QAbstractButton::clicked, this, &TZakListDlg::AddBtnClick);
    connectGuarded(m_upd, &QAbstractButton::clicked, this, &TZakListDlg::UpdBtnClick);
    connectGuarded(m_del, &QAbstractButton::clicked, this, &TZakListDlg::DelBtnClick);
    connectGuarded(m_ok, &QAbstractButton::clicked, this, &TZakListDlg::OkBtnClick);
    if (!ZakListDlg)
        ZakListDlg = this;
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
    m_del->setEnabled(hasRow && pupilId != PrivilegedPupilId);
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
    ZakDlg->EditPupil(false, QString(), QString());
}

void TZakListDlg::DelBtnClick()
{
    TQuery* zak = DM->QZak;
    if (!zak->active() || zak->isEmpty())
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
