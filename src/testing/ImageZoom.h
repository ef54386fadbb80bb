// The enlarged question picture, shown at its own size.
#pragma once

#include "widgets/Form.h"

class QLabel;
class TDsFancyButton;

class TImageZoom : public TForm
{
    Q_OBJECT
public:
    explicit TImageZoom(QWidget* parent = nullptr);

    // Shows the picture at its own size, centred in the 460 x 230 area at (40, 30).
    void setPicture(const QImage& image);
    QLabel* image() const { return Image; }
    TDsFancyButton* okButton() const { return OkBtn; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLabel* Image;
    TDsFancyButton* OkBtn;
};
