#include "controls/button_accessible.h"

#include "controls/image_button.h"
#include "controls/transparent_button.h"

#include <QAbstractButton>
#include <QAccessibleWidget>

namespace lumivex {

namespace {

class ButtonAccessible final : public QAccessibleWidget {
public:
    explicit ButtonAccessible(QAbstractButton* button)
        : QAccessibleWidget(button, roleOf(button))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? QString(button()->text()).remove(QLatin1Char('&')) : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names{button()->isCheckable() ? toggleAction() : pressAction()};
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action != pressAction() && action != toggleAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // Later, from the event loop: the click may open a message box,
        // which must not hold up the tool that asked.
        if (widget()->isEnabled())
            button()->animateClick();
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }

    static QAccessible::Role roleOf(QAbstractButton* button)
    {
        if (auto* trans = qobject_cast<CButtonTrans*>(button))
            return trans->indicator() == CButtonTrans::Indicator::Radio ? QAccessible::RadioButton
                                                                       : QAccessible::CheckBox;
        return button->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
    }
};

QAccessibleInterface* buttonFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("lumivex::CButtonTrans") && className != QLatin1String("lumivex::CButtonST")
        && className != QLatin1String("lumivex::CShadeButtonST"))
        return nullptr;
    auto* button = qobject_cast<QAbstractButton*>(object);
    return button ? new ButtonAccessible(button) : nullptr;
}

}  // namespace

void useButtonAccessibility()
{
    static const bool installed = (QAccessible::installFactory(buttonFactory), true);
    (void)installed;
}

}  // namespace lumivex
