// The question-browsing selection: the pupil picks a topic group and browses its questions at
// the pupil's level in the test window.
#pragma once

#include "widgets/Form.h"

class QCheckBox;
class QLabel;
class TDBGrid;
class TDsFancyButton;

class TQuestionTypeDlg : public TForm
{
    Q_OBJECT
public:
    explicit TQuestionTypeDlg(QWidget* parent = nullptr);
    ~TQuestionTypeDlg() override;

    // Every opening starts at the first topic group.
    void FormActivate() override;
    void OkBtnClick();
    void CancelBtnClick();

    QLabel* Label1() const { return m_label1; }
    TDBGrid* DBGrid1() const { return m_dbGrid1; }
    QLabel* Image1() const { return m_image1; }
    QCheckBox* ShowAnswerNow() const { return m_showAnswerNow; }
    TDsFancyButton* OkBtn() const { return m_okBtn; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The group list needs the data module, which is created after the windows.
    void bindData();
    void DataSource1DataChange(const QString& field);

    QLabel* m_label1;
    TDBGrid* m_dbGrid1 = nullptr;
    QLabel* m_image1;
    QCheckBox* m_showAnswerNow;
    TDsFancyButton* m_okBtn;
    TDsFancyButton* m_cancelBtn;
    TDsFancyButton* m_helpBtn;
};

extern TQuestionTypeDlg* QuestionTypeDlg;
