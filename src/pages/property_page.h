#pragma once
// What the four pages have in common: a tab of the sheet built from its
// dialog template, with its controls reachable by id.

#include "dialog_builder.h"
#include "dialog_template.h"

#include <QWidget>

namespace lumivex {

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    int dialogId() const { return m_template.id; }
    // The tab's caption ("Interface", "Display", ...).
    QString caption() const { return m_template.caption; }
    const DialogTemplate& dialogTemplate() const { return m_template; }

    QWidget* control(int id) const;
    template <typename T>
    T* control(int id) const { return qobject_cast<T*>(control(id)); }
    const std::vector<QButtonGroup*>& radioGroups() const { return m_built.radioGroups; }

    QSize sizeHint() const override { return m_built.pixelSize; }
    QSize minimumSizeHint() const override { return m_built.pixelSize; }

protected:
    PropertyPage(int dialogId, QWidget* parent);

private:
    DialogTemplate m_template;
    BuiltDialog m_built;
};

}  // namespace lumivex
