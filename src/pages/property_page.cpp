#include "pages/property_page.h"

#include "pages/page_host.h"
#include "controls/shade_button.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QShowEvent>
#include <QtGlobal>

namespace lumivex {

PropertyPage::PropertyPage(int dialogId, EnterKey enter, QWidget* parent)
    : QWidget(parent)
    , m_enter(enter)
{
    TemplateError error;
    std::optional<DialogTemplate> dialog = loadDialogTemplate(dialogId, &error);
    if (!dialog) {
        // Templates are compiled into the program: a broken one is a build fault.
        qFatal("dialog %d: line %d: %s", dialogId, error.line, qPrintable(error.message));
    }
    m_template = std::move(*dialog);
    // The sheet sizes itself from every page before any is shown.
    const QFont font = dialogFont(m_template.fontFamily, m_template.fontPointSize);
    setFont(font);
    m_pixelSize = DialogUnits::fromFont(font).toPixels(m_template.sizeDu);
}

void PropertyPage::ensureBuilt()
{
    // Built when first needed, so pages never shown cost nothing at start.
    if (m_isBuilt)
        return;
    m_isBuilt = true;
    m_built = buildDialog(m_template, this);
    if (m_enter == EnterKey::Swallowed) {
        // Enter is caught before the control with the focus sees it, so it
        // can never press a button of the sheet either.
        installEventFilter(this);
        for (QWidget* child : findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    connectControls();
}

QWidget* PropertyPage::control(int id)
{
    ensureBuilt();
    const auto it = m_built.controls.find(id);
    return it == m_built.controls.end() ? nullptr : it->second;
}

PageHost* PropertyPage::takeHost()
{
    m_host = PageHost::of(this);
    return m_host;
}

void PropertyPage::activate()
{
    if (PageHost* host = takeHost())
        activatePage(*host);
}

void PropertyPage::activatePage(PageHost&) {}

const std::vector<QButtonGroup*>& PropertyPage::radioGroups()
{
    ensureBuilt();
    return m_built.radioGroups;
}

void PropertyPage::checkRadio(int group, int index)
{
    QButtonGroup* buttons = radioGroups().at(size_t(group));
    buttons->setExclusive(false);
    for (QAbstractButton* button : buttons->buttons())
        button->setChecked(buttons->id(button) == index);
    buttons->setExclusive(true);
}

void PropertyPage::setRefreshButton(int controlId)
{
    if (auto* button = control<QAbstractButton>(controlId))
        connect(button, &QAbstractButton::clicked, this, &PropertyPage::activate);
}

void PropertyPage::initialise()
{
    m_initialised = true;
    m_background.load();
    // The buttons' shades and icons were set when they were built; they
    // repaint now over the background.
    for (auto* button : findChildren<CShadeButtonST*>())
        button->update();
    initialisePage();
}

void PropertyPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is not a tab change.
    if (event->spontaneous())
        return;
    if (!m_initialised) {
        ensureBuilt();
        initialise();
    }
    scheduleActivation();
}

void PropertyPage::scheduleActivation()
{
    // Runs once the tab change is complete, so a message box of the
    // read-back opens over the page it belongs to.
    if (m_activationPending)
        return;
    m_activationPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_activationPending = false;
            // Behind any link work still under way, in turn.
            const auto run = [page = QPointer<PropertyPage>(this)] {
                if (page && page->isVisible())
                    page->activate();
            };
            if (PageHost* host = PageHost::of(this))
                host->whenFree(run);
            else
                run();
        },
        Qt::QueuedConnection);
}

void PropertyPage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_background.tile(painter, rect()))
        painter.fillRect(rect(), palette().window());
}

bool PropertyPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace lumivex
