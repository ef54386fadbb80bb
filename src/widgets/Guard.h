// The general error display: an error that an event handler does not handle itself is shown
// with its text, and the program goes on with the window as the handler left it.
#pragma once

#include "data/Error.h"

#include <QString>

#include <exception>
#include <functional>

// Shows the text in the program's error box (modal).
void ShowGeneralError(const QString& text);
// Replaces the error box (tests record the texts instead of showing them).
void SetGeneralErrorSink(std::function<void(const QString&)> sink);

// Runs a handler body; an error it throws goes to the general error display.
template <typename F> void Guarded(F&& body)
{
    try {
        body();
    } catch (const TError& e) {
        ShowGeneralError(e.message());
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromUtf8(e.what()));
    }
}
