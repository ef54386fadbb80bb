// The splash window, on screen while the database opens.
#pragma once

#include "widgets/Form.h"

class TAboutDlg : public TForm
{
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* parent = nullptr);
    static const QString SkinName;
};
