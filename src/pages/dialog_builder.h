#pragma once
// Builds a page's controls from its dialog template.

#include "pages/dialog_template.h"
#include "pages/dialog_units.h"

#include <map>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QWidget;

namespace lumivex {

struct BuiltDialog {
    DialogUnits units;
    QSize pixelSize;
    std::map<int, QWidget*> controls;      // by control id
    std::vector<QButtonGroup*> radioGroups; // in template order; ids = index in group
};

// Creates every control of the template as a child of page, in template
// order (the tab order), at its rectangle converted with the dialog font's
// metrics. A radio button marked as a group start opens a new exclusive
// group that takes the radio buttons after it.
BuiltDialog buildDialog(const DialogTemplate& dialog, QWidget* page);

}  // namespace lumivex
