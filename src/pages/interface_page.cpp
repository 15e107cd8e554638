#include "interface_page.h"

#include "link_loader.h"
#include "link_state.h"
#include "page_host.h"
#include "port_list.h"
#include "serial_notify_event.h"
#include "serial_status.h"
#include "serial_wnd.h"

#include <QAbstractButton>
#include <QComboBox>

namespace lumivex {

System::System(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
    // 255 probes: another thread runs them while the window is put together.
    , m_portListing(std::async(std::launch::async, [] { return availableLinks(); }))
{
}

void System::connectControls()
{
    connect(control<QAbstractButton>(kLoadId), &QAbstractButton::clicked, this, &System::load);
    connect(control<QAbstractButton>(kUnloadId), &QAbstractButton::clicked, this, &System::unload);
}

QComboBox* System::portBox()
{
    return control<QComboBox>(kPortBoxId);
}

void System::initialisePage()
{
    takeHost();
    // Built once: a port plugged in later shows after a restart.
    portBox()->addItems(m_portListing.get());
    showLoaded(false);
    portBox()->setCurrentIndex(0);
}

void System::showLoaded(bool loaded)
{
    portBox()->setEnabled(!loaded);
    control(kUnloadId)->setEnabled(loaded);
    control(kLoadId)->setEnabled(!loaded);
}

void System::load()
{
    PageHost* sheet = host();
    if (!sheet)
        return;
    // What the box's edit field shows: a listed name or one typed in.
    const QString text = portBox()->currentText();
    LoadResult result = LoadResult::Ignored;
    sheet->withLink([&](LinkState& link, MessageService& messages) { result = loadLink(link, messages, text, this); });
    if (result != LoadResult::Loaded)
        return;
    showLoaded(true);
    sheet->modelQuery();
}

void System::unload()
{
    PageHost* sheet = host();
    if (!sheet)
        return;
    sheet->withLink([](LinkState& link, MessageService& messages) { unloadLink(link, messages); });
    showLoaded(false);
}

bool System::event(QEvent* event)
{
    if (event->type() == CSerialWnd::defaultComMsg()) {
        onSerialNotification(*static_cast<SerialNotifyEvent*>(event));
        return true;
    }
    return PropertyPage::event(event);
}

void System::onSerialNotification(const SerialNotifyEvent& notification)
{
    // Only received characters are read; a break or line error alone
    // leaves the port as it is.
    if (!(notification.events() & kSerialEventRxChar))
        return;
    if (PageHost* sheet = host())
        sheet->drainLink();
}

}  // namespace lumivex
