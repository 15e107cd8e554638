#include "dialog_builder.h"

#include "control_factory.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QWidget>

namespace lumivex {

namespace {

QRect placement(const ControlSpec& control, QWidget* widget, const DialogUnits& units)
{
    QRect rect = units.toPixels(control.rectDu);
    // A combo box's rectangle includes its drop-down list; the closed box
    // is as tall as its font makes it.
    if (qobject_cast<QComboBox*>(widget))
        rect.setHeight(widget->sizeHint().height());
    return rect;
}

}  // namespace

BuiltDialog buildDialog(const DialogTemplate& dialog, QWidget* page)
{
    BuiltDialog built;
    const QFont font = dialogFont(dialog.fontFamily, dialog.fontPointSize);
    page->setFont(font);
    built.units = DialogUnits::fromFont(font);
    built.pixelSize = built.units.toPixels(dialog.sizeDu);

    QButtonGroup* currentGroup = nullptr;
    QWidget* previous = nullptr;
    std::vector<QWidget*> frames;
    for (const ControlSpec& control : dialog.controls) {
        QWidget* widget = createControl(control, page);
        widget->setGeometry(placement(control, widget, built.units));
        widget->setVisible(!control.hidden);
        widget->setEnabled(!control.disabled);
        built.controls[control.id] = widget;

        if (control.kind == ControlKind::RadioButton) {
            if (control.groupStart || !currentGroup) {
                currentGroup = new QButtonGroup(page);
                built.radioGroups.push_back(currentGroup);
            }
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                currentGroup->addButton(button, int(currentGroup->buttons().size()));
        } else if (control.groupStart) {
            currentGroup = nullptr;
        }
        if (control.kind == ControlKind::GroupBox)
            frames.push_back(widget);
        if (previous && widget->focusPolicy() != Qt::NoFocus)
            QWidget::setTabOrder(previous, widget);
        if (widget->focusPolicy() != Qt::NoFocus)
            previous = widget;
    }
    // Frames lie under the controls they surround and never take a click
    // meant for them, wherever they come in the template.
    for (QWidget* frame : frames) {
        frame->lower();
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    return built;
}

}  // namespace lumivex
