#include "control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace lumivex {

namespace {

QWidget* createPlain(const ControlSpec& spec, QWidget* parent)
{
    switch (spec.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(spec.text, parent);
    case ControlKind::ComboDropDown: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::ComboDropList:
        return new QComboBox(parent);
    case ControlKind::PushButton:
    case ControlKind::PictureButton: {
        auto* button = new QPushButton(spec.text, parent);
        // Enter must never press a page's button behind the operator's back.
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(spec.text, parent);
    case ControlKind::AutoCheckBox:
    case ControlKind::CheckBox:
        return new QCheckBox(spec.text, parent);
    case ControlKind::Static: {
        auto* label = new QLabel(spec.text, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(spec.readOnly);
        return edit;
    }
    }
    return new QWidget(parent);
}

}  // namespace

QWidget* createControl(const ControlSpec& spec, QWidget* parent)
{
    QWidget* widget = createPlain(spec, parent);
    widget->setObjectName(QString::number(spec.id));
    return widget;
}

}  // namespace lumivex
