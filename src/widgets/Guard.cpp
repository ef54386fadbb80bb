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
    QMessageBox box(QMessageBox::Critical, Str::AppTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
