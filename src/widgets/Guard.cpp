// The general error display.
#include "Guard.h"

#include "data/Strings.h"

#include <QApplication>
#include <QMessageBox>

namespace {
std::function<void(const QString&)>& sink()
{
    static std::function<void(const QString&)> s;
    return s;
}
} // namespace

void SetGeneralErrorSink(std::function<void(const QString&)> s)
{
    sink() = std::move(s);
}

void ShowGeneralError(const QString& text)
{
    if (sink()) {
        sink()(text);
        return;
    }
    // A window hidden just before (the splash at start-up) may still count as the active one; the
    // box is not tied to it, or a window manager might keep the box out of sight with it.
    QWidget* over = QApplication::activeWindow();
    if (over && !over->isVisible())
        over = nullptr;
    QMessageBox box(QMessageBox::Critical, Str::AppTitle, text, QMessageBox::Ok, over);
    box.exec();
}
