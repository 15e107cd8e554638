#include "pages/control_factory.h"

#include "res/artwork.h"
#include "controls/colour_math.h"
#include "controls/image_button.h"
#include "controls/shade_button.h"
#include "controls/transparent_button.h"
#include "controls/transparent_group_box.h"
#include "controls/transparent_label.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace lumivex {

namespace {

QWidget* createPlain(const ControlSpec& control, QWidget* parent)
{
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(control.text, parent);
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
        auto* button = new QPushButton(control.text, parent);
        // Enter must never press a page's button behind the operator's back.
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(control.text, parent);
    case ControlKind::AutoCheckBox:
    case ControlKind::CheckBox:
        return new QCheckBox(control.text, parent);
    case ControlKind::Static: {
        auto* label = new QLabel(control.text, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(control.readOnly);
        return edit;
    }
    }
    return new QWidget(parent);
}

// Hot text colour of the pages' buttons, 0x00BBGGRR.
constexpr quint32 kHotTextColour = 0x0000B200;

void setUpImageButton(CButtonST* button, const ControlSpec& control)
{
    if (control.kind == ControlKind::AutoCheckBox || control.kind == ControlKind::CheckBox)
        button->setCheckBoxMode(true);
    // A plain check box shows what the program sets; clicks leave it be.
    button->setAutoToggle(control.kind != ControlKind::CheckBox);
    button->setTransparent(control.transparent);
    // Keyboard users see where the focus is.
    button->setFlatFocus(true);
}

QWidget* createShadeButton(const ControlSpec& control, QWidget* parent)
{
    auto* button = new CShadeButtonST(control.text, parent);
    setUpImageButton(button, control);
    button->BuildShade(CShadeButtonST::kShadeDiagonal);
    if (control.iconId != 0)
        button->AssignIcons(QIcon(iconPath(control.iconId)),
                            control.normalIconId != 0 ? QIcon(iconPath(control.normalIconId)) : QIcon());
    button->setColour(CButtonST::Colour::HotText, colourFromColorRef(kHotTextColour));
    return button;
}

QWidget* createPictureButton(const ControlSpec& control, QWidget* parent)
{
    auto* button = new CButtonST(control.text, parent);
    setUpImageButton(button, control);
    // Without its picture the button still works, showing nothing.
    const QImage picture = control.bitmapId != 0 ? QImage(bitmapPath(control.bitmapId)) : QImage();
    if (!picture.isNull())
        button->AssignBitmaps(picture, picture);
    return button;
}

QWidget* createTransparentLabel(const ControlSpec& control, QWidget* parent)
{
    auto* label = new CTransparentStatic(control.text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The skinned class the template names, or nullptr for a plain control.
QWidget* createSkinned(const ControlSpec& control, QWidget* parent)
{
    const QString& name = control.className;
    if (name == QLatin1String("CTGroupBox"))
        return new CTGroupBox(control.text, parent);
    if (name == QLatin1String("CShadeButtonST"))
        return createShadeButton(control, parent);
    if (name == QLatin1String("CButtonST"))
        return createPictureButton(control, parent);
    if (name == QLatin1String("CButtonTrans"))
        return new CButtonTrans(control.text,
                                control.kind == ControlKind::RadioButton ? CButtonTrans::Indicator::Radio
                                                                      : CButtonTrans::Indicator::Check,
                                parent);
    if (name == QLatin1String("CTransparentStatic"))
        return createTransparentLabel(control, parent);
    return nullptr;
}

}  // namespace

QWidget* createControl(const ControlSpec& control, QWidget* parent)
{
    QWidget* widget = createSkinned(control, parent);
    if (!widget)
        widget = createPlain(control, parent);
    widget->setObjectName(QString::number(control.id));
    return widget;
}

}  // namespace lumivex
