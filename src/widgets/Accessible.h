// What assistive technologies are told about the program's own kinds of control.
#pragma once

#include <QPushButton>

// A standard button kept outside the visible area so that Enter or Esc reaches a dialog's
// handler: the keyboard needs it, a screen reader must not offer it, so it reports itself
// invisible to assistive technologies.
class THiddenButton final : public QPushButton
{
    Q_OBJECT
public:
    explicit THiddenButton(const QString& caption, QWidget* parent = nullptr);
};

namespace Accessible {
// Registers the program's accessibility interfaces once; the windows' constructors call it.
void installFactories();
// True when the control's window waits behind a modal window: an assistive technology must not
// act on it then, any more than the mouse can.
bool blockedByModal(const QWidget* control);
} // namespace Accessible
