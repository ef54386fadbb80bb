// Accessibility interfaces of the program's own controls.
#include "Accessible.h"

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

QAccessibleInterface* hiddenButtonFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("THiddenButton") && object->isWidgetType())
        return new THiddenButtonAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void Accessible::installFactories()
{
    static const bool done = [] {
        QAccessible::installFactory(hiddenButtonFactory);
        return true;
    }();
    Q_UNUSED(done);
}
