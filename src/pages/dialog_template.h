#pragma once
// A page's dialog template as data: the controls with their ids, kinds,
// texts and rectangles in dialog units, read from res/dialogs/*.txt.

#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumivex {

enum class ControlKind {
    GroupBox,
    ComboDropDown,      // drop-down with an edit field
    ComboDropList,      // drop-down list, no edit field
    PushButton,
    RadioButton,
    AutoCheckBox,       // toggles itself on click
    CheckBox,           // plain check box: the program sets its state
    Static,
    Edit,
    PictureButton,      // push button that shows a bitmap and no text
};

struct ControlSpec {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    QString className;      // the skinned class the page uses, or "" for a plain control
    QString text;
    QRect rectDu;           // x, y, width, height in dialog units
    bool groupStart = false;
    bool hidden = false;
    bool disabled = false;
    bool readOnly = false;
    int iconId = 0;         // hot icon resource, 0 = none
    int normalIconId = 0;   // normal icon resource, 0 = none
    int bitmapId = 0;       // bitmap resource, 0 = none
    bool transparent = false;
    bool flat = false;      // plain group box without the skinned class
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    QSize sizeDu;
    QString fontFamily;
    int fontPointSize = 8;
    std::vector<ControlSpec> controls;  // template order = tab order

    const ControlSpec* find(int controlId) const;
};

struct TemplateError {
    int line = 0;
    QString message;
};

// Parses the text form; on failure returns nullopt and fills *error.
std::optional<DialogTemplate> parseDialogTemplate(const QString& text, TemplateError* error = nullptr);

// Loads ":/dialogs/dialog_<id>.txt" from the compiled resources.
std::optional<DialogTemplate> loadDialogTemplate(int dialogId, TemplateError* error = nullptr);

}  // namespace lumivex
