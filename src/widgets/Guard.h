// The general error display: an error that an event handler does not handle itself is shown
// with its text, and the program goes on with the window as the handler left it.
#pragma once

#include "data/Error.h"

#include <QObject>
#include <QString>

#include <concepts>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

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

namespace GuardDetail {
// A handler is a member function of the receiver or a callable of its own; it may take fewer
// arguments than the signal gives, as a slot may.
template <typename Handler, typename Receiver, typename... Args>
concept Member =
    std::is_member_function_pointer_v<Handler> && std::invocable<const Handler&, Receiver*, Args...>;
template <typename Handler, typename... Args>
concept Free = !std::is_member_function_pointer_v<Handler> && std::invocable<const Handler&, Args...>;

template <typename Receiver, typename Handler> struct TGuardedSlot
{
    Receiver* receiver;
    Handler handler;

    template <typename... Args>
    requires Member<Handler, Receiver, Args...> || Free<Handler, Args...>
    void operator()(Args&&... args) const
    {
        Guarded([&] {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                std::invoke(handler, receiver, std::forward<Args>(args)...);
            else
                std::invoke(handler, std::forward<Args>(args)...);
        });
    }
};
} // namespace GuardDetail

// Connects `signal` of `sender` to `handler` run inside Guarded, so that an error the handler
// throws goes to the general error display instead of through Qt's event loop. `handler` is a
// member function of `receiver` or a callable; the connection ends with `receiver`.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectGuarded(const Sender* sender, Signal signal, Receiver* receiver,
                                       Handler handler)
{
    return QObject::connect(sender, signal, receiver,
                            GuardDetail::TGuardedSlot<Receiver, Handler>{receiver, std::move(handler)});
}
