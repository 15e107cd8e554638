#include "control_factory.h"

#include "artwork.h"
#include "colour_math.h"
#include "image_button.h"
#include "shade_button.h"
#include "transparent_button.h"
#include "transparent_group_box.h"
#include "transparent_label.h"

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

// Hot text colour of the pages' buttons, 0x00BBGGRR.
constexpr quint32 kHotTextColour = 0x0000B200;

void setUpImageButton(CButtonST* button, const ControlSpec& spec)
{
    if (spec.kind == ControlKind::AutoCheckBox || spec.kind == ControlKind::CheckBox)
        button->setCheckBoxMode(true);
    button->setTransparent(spec.transparent);
    // Keyboard users see where the focus is.
    button->setFlatFocus(true);
}

QWidget* createShadeButton(const ControlSpec& spec, QWidget* parent)
{
    auto* button = new CShadeButtonST(spec.text, parent);
    setUpImageButton(button, spec);
    button->BuildShade(CShadeButtonST::kShadeDiagonal);
    if (spec.iconId != 0)
        button->AssignIcons(QIcon(iconPath(spec.iconId)),
                            spec.normalIconId != 0 ? QIcon(iconPath(spec.normalIconId)) : QIcon());
    button->setColour(CButtonST::Colour::HotText, colourFromColorRef(kHotTextColour));
    return button;
}

QWidget* createPictureButton(const ControlSpec& spec, QWidget* parent)
{
    auto* button = new CButtonST(spec.text, parent);
    setUpImageButton(button, spec);
    // Without its picture the button still works, showing nothing.
    const QImage picture = spec.bitmapId != 0 ? QImage(bitmapPath(spec.bitmapId)) : QImage();
    if (!picture.isNull())
        button->AssignBitmaps(picture, picture);
    return button;
}

QWidget* createTransparentLabel(const ControlSpec& spec, QWidget* parent)
{
    auto* label = new CTransparentStatic(spec.text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The skinned class the template names, or nullptr for a plain control.
QWidget* createSkinned(const ControlSpec& spec, QWidget* parent)
{
    const QString& name = spec.className;
    if (name == QLatin1String("CTGroupBox"))
        return new CTGroupBox(spec.text, parent);
    if (name == QLatin1String("CShadeButtonST"))
        return createShadeButton(spec, parent);
    if (name == QLatin1String("CButtonST"))
        return createPictureButton(spec, parent);
    if (name == QLatin1String("CButtonTrans"))
        return new CButtonTrans(spec.text,
                                spec.kind == ControlKind::RadioButton ? CButtonTrans::Indicator::Radio
                                                                      : CButtonTrans::Indicator::Check,
                                parent);
    if (name == QLatin1String("CTransparentStatic"))
        return createTransparentLabel(spec, parent);
    return nullptr;
}

}  // namespace

QWidget* createControl(const ControlSpec& spec, QWidget* parent)
{
    QWidget* widget = createSkinned(spec, parent);
    if (!widget)
        widget = createPlain(spec, parent);
    widget->setObjectName(QString::number(spec.id));
    return widget;
}

}  // namespace lumivex
