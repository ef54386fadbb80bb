// The pupil register: every pupil with the details and the category animation of the selected
// one; adds, edits and deletes pupils.
#pragma once

#include "widgets/Form.h"

#include <QMetaObject>

class TAnimate;
class TDBGrid;
class TDsFancyButton;

class TZakListDlg : public TForm
{
    Q_OBJECT
public:
    explicit TZakListDlg(QWidget* parent = nullptr);
    ~TZakListDlg() override;

    // Shows the register over QZak as the caller opened it.
    bool Execute();

    void DataSource1DataChange();
    void AddBtnClick();
    void UpdBtnClick();
    void DelBtnClick();
    void OkBtnClick();

    TDBGrid* DBGrid1() const { return m_grid; }
    TAnimate* Animated1() const { return m_animation; }
    TDsFancyButton* AddBtn() const { return m_add; }
    TDsFancyButton* UpdBtn() const { return m_upd; }
    TDsFancyButton* DelBtn() const { return m_del; }
    TDsFancyButton* OkBtn() const { return m_ok; }

protected:
    void FormActivate() override;
    void FormClose() override;
    void showEvent(QShowEvent* e) override;

private:
    void attachRowChange();
    void showAnimation(int animationId);
    TDBGrid* m_grid;
    TAnimate* m_animation;
    TDsFancyButton* m_add;
    TDsFancyButton* m_upd;
    TDsFancyButton* m_del;
    TDsFancyButton* m_ok;
    TDsFancyButton* m_help;
    QMetaObject::Connection m_rowChange;
    int m_animationId = -1;
};

extern TZakListDlg* ZakListDlg;
