// The clock that the countdown, the reports and the random seed read, so that tests can move
// time instead of waiting for it.
#pragma once

#include <QDateTime>

#include <functional>

namespace Clock {
QDateTime now();
// Replaces the clock (tests); an empty function restores the system clock.
void setSource(std::function<QDateTime()> source);
} // namespace Clock
