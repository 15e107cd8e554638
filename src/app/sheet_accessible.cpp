#include "app/sheet_accessible.h"

#include "app/sheet_osd.h"

#include <QAccessibleWidget>

namespace lumivex {
namespace {

class SheetAccessible final : public QAccessibleWidget {
public:
    explicit SheetAccessible(Sheet_OSD* sheet)
        : QAccessibleWidget(sheet, QAccessible::Dialog)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.busy = static_cast<const Sheet_OSD*>(widget())->isBusy();
        return state;
    }
};

QAccessibleInterface* sheetFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("lumivex::Sheet_OSD"))
        return nullptr;
    auto* sheet = qobject_cast<Sheet_OSD*>(object);
    return sheet ? new SheetAccessible(sheet) : nullptr;
}

}  // namespace

void useSheetAccessibility()
{
    static const bool installed = (QAccessible::installFactory(sheetFactory), true);
    (void)installed;
}

}  // namespace lumivex
