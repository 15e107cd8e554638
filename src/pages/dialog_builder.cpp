#include "pages/dialog_builder.h"

#include "pages/control_factory.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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

// How far above a control its caption may end, in dialog units.
constexpr int kCaptionGapDu = 8;

bool hasOwnText(const ControlSpec& control)
{
    return !control.text.isEmpty() && control.kind != ControlKind::Edit && control.kind != ControlKind::ComboDropDown
        && control.kind != ControlKind::ComboDropList;
}

// The static text standing just above the control (overlapping it
// sideways, the nearest first), or else the frame around it: what a
// person reads as the control's caption.
const ControlSpec* captionOf(const ControlSpec& control, const DialogTemplate& dialog)
{
    const QRect r = control.rectDu;
    const ControlSpec* best = nullptr;
    int bestGap = kCaptionGapDu + 1;
    for (const ControlSpec& other : dialog.controls) {
        if (other.kind != ControlKind::Static || other.text.isEmpty())
            continue;
        const QRect o = other.rectDu;
        const int gap = r.top() - (o.top() + o.height());
        const bool overlaps = o.left() < r.left() + r.width() && r.left() < o.left() + o.width();
        if (overlaps && gap >= -2 && gap < bestGap) {
            best = &other;
            bestGap = gap;
        }
    }
    if (best)
        return best;
    for (const ControlSpec& other : dialog.controls) {
        if (other.kind == ControlKind::GroupBox && !other.text.isEmpty() && other.rectDu.contains(r))
            return &other;
    }
    return nullptr;
}

// Edits, lists, picture buttons and untitled frames have no text of their
// own: they are named after their caption, and a static caption becomes the buddy that
// tells assistive tools which label belongs to them.
void nameAfterCaption(const ControlSpec& control, QWidget* widget, const DialogTemplate& dialog,
                      const std::map<int, QWidget*>& built)
{
    if (hasOwnText(control) || control.kind == ControlKind::Static)
        return;
    const ControlSpec* caption = captionOf(control, dialog);
    if (!caption)
        return;
    widget->setAccessibleName(caption->text);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(caption->text);
    const auto label = built.find(caption->id);
    if (label != built.end()) {
        if (auto* text = qobject_cast<QLabel*>(label->second))
            text->setBuddy(widget);
    }
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
    for (const ControlSpec& control : dialog.controls)
        nameAfterCaption(control, built.controls[control.id], dialog, built.controls);
    // Frames lie under the controls they surround and never take a click
    // meant for them, wherever they come in the template.
    for (QWidget* frame : frames) {
        frame->lower();
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    return built;
}

}  // namespace lumivex
