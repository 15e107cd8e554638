#include "property_page.h"

#include <QtGlobal>

namespace lumivex {

PropertyPage::PropertyPage(int dialogId, QWidget* parent)
    : QWidget(parent)
{
    TemplateError error;
    std::optional<DialogTemplate> dialog = loadDialogTemplate(dialogId, &error);
    if (!dialog) {
        // Templates are compiled into the program: a broken one is a build fault.
        qFatal("dialog %d: line %d: %s", dialogId, error.line, qPrintable(error.message));
    }
    m_template = std::move(*dialog);
    m_built = buildDialog(m_template, this);
}

QWidget* PropertyPage::control(int id) const
{
    const auto it = m_built.controls.find(id);
    return it == m_built.controls.end() ? nullptr : it->second;
}

}  // namespace lumivex
