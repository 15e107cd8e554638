#pragma once
// Makes the widget for one control of a dialog template.

#include "pages/dialog_template.h"

class QWidget;

namespace lumivex {

// The widget for the control, child of parent, with objectName = its id and
// its text; the caller places it.
QWidget* createControl(const ControlSpec& control, QWidget* parent);

}  // namespace lumivex
