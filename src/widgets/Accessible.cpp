// Accessibility interfaces of the program's own controls.
#include "Accessible.h"

#include "Form.h"

#include <QAbstractButton>
#include <QAccessibleWidget>

THiddenButton::THiddenButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    Accessible::installFactories();
}

namespace {

class THiddenButtonAccessible final : public QAccessibleWidget
{
public:
    explicit THiddenButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        s.offscreen = true;
        s.focusable = false;
        return s;
    }
    QStringList actionNames() const override { return {}; }
};

// The painted button: a push button named by its caption, pressed through its action only while
// its window is not waiting behind a modal window.
class TFancyButtonAccessible final : public QAccessibleWidget
{
public:
    explicit TFancyButtonAccessible(QAbstractButton* b) : QAccessibleWidget(b, QAccessible::Button) {}
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty()) {
            QString caption = button()->text();
            caption.replace(QLatin1String("&&"), QStringLiteral("\x01"));
            caption.remove(u'&');
            caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
            return caption;
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override
    {
        if (!button()->isEnabled() || Accessible::blockedByModal(button()))
            return {};
        return {pressAction()};
    }
    void doAction(const QString& name) override
    {
        // Clicked from the event loop: a command may run a modal window, and the assistive
        // technology waits for the answer to its call.
        if (name == pressAction() && button()->isEnabled() && !Accessible::blockedByModal(button()))
            button()->animateClick();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("THiddenButton"))
        return new THiddenButtonAccessible(static_cast<QWidget*>(object));
    if (className == QLatin1String("TDsFancyButton"))
        return new TFancyButtonAccessible(static_cast<QAbstractButton*>(object));
    return nullptr;
}

} // namespace

bool Accessible::blockedByModal(const QWidget* control)
{
    const auto* form = qobject_cast<const TForm*>(control->window());
    return form && form->blockedByModal();
}

void Accessible::installFactories()
{
    static const bool done = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(done);
}
