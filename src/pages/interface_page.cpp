#include "pages/interface_page.h"

#include "panel/held_link.h"
#include "panel/link_loader.h"
#include "link/link_state.h"
#include "platform/message_service.h"
#include "pages/page_host.h"
#include "panel/port_list_update.h"
#include "link/serial/serial_notify_event.h"
#include "link/serial/serial_status.h"
#include "link/serial/serial_wnd.h"

#include <QAbstractButton>
#include <QComboBox>

#include <cstdio>
#include <utility>
#include <vector>

namespace lumivex {

System::System(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
    // 255 probes: another thread runs them while the window is put together.
    , m_portListing(std::async(std::launch::async, [watch = &m_deviceWatch] {
        PortSurvey survey{{}, portPaths(), {}};
        std::vector<std::string> paths;
        for (const auto& entry : survey.paths)
            paths.push_back(entry.first);
        // Armed before the probes, so a device that comes meanwhile is told.
        watch->watch(paths);
        survey.links = availableLinks();
        survey.held = heldControllerNames();
        return survey;
    }))
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
    PortSurvey survey = m_portListing.get();
    m_portPaths = std::move(survey.paths);
    m_held = std::move(survey.held);
    portBox()->addItems(survey.links + m_held);
    showLoaded(false);
    portBox()->setCurrentIndex(0);
    connect(&m_deviceWatch, &DeviceWatch::changed, this, &System::onDeviceChanged);
    m_deviceWatch.start();
    connect(&m_heldWatch, &HeldControllerWatch::changed, this, &System::relistHeld);
}

void System::relistHeld()
{
    QComboBox* box = portBox();
    QStringList links;
    for (int i = 0; i < box->count(); ++i)
        links << box->itemText(i);
    m_held = heldControllerNames();
    const QStringList next = withHeldControllers(links, m_held, m_loadedName);
    if (next == links)
        return;
    const QString shown = box->currentText();
    const bool shownListed = links.contains(shown);
    // The ports stay where they are; what follows them is listed anew.
    int kept = 0;
    while (kept < links.size() && kept < next.size() && links[kept] == next[kept])
        ++kept;
    while (box->count() > kept)
        box->removeItem(kept);
    box->addItems(next.mid(kept));
    // A listed choice that went leaves DDC2Bi chosen, as a port that goes does.
    if (next.contains(shown))
        box->setCurrentIndex(int(next.indexOf(shown)));
    else if (shownListed)
        box->setCurrentIndex(0);
    else
        box->setEditText(shown);
}

void System::onDeviceChanged(const QString& path)
{
    const auto names = m_portPaths.find(path.toStdString());
    if (names == m_portPaths.end())
        return;
    for (const QString& name : names->second)
        reprobe(name);
}

void System::reprobe(const QString& name)
{
    if (name == m_loadedName)
        m_loadedPortChanged = true;
    QComboBox* box = portBox();
    QStringList links;
    for (int i = 0; i < box->count(); ++i)
        links << box->itemText(i);
    const PortListEdit edit = portListEdit(links, name, probeLink(name.toLatin1().constData()), m_loadedName);
    // What Load would take: a listed name or one typed in.
    const QString shown = box->currentText();
    switch (edit.kind) {
    case PortListEdit::Kind::Keep:
        return;
    case PortListEdit::Kind::Insert:
        box->insertItem(edit.row, name);
        break;
    case PortListEdit::Kind::Remove:
        box->removeItem(edit.row);
        break;
    }
    // The choice stays, unless the chosen port is gone: then DDC2Bi, the
    // one link always there, as at start.
    if (edit.kind == PortListEdit::Kind::Remove && shown == name)
        box->setCurrentIndex(0);
    else if (box->currentText() != shown)
        box->setEditText(shown);  // the box rewrites its text when rows move
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
    if (m_held.contains(text))
        result = loadHeld(text);
    else
        sheet->withLink([&](LinkState& link, MessageService& messages) {
            int32_t status = 0;
            result = loadLink(link, messages, text, this, &status);
            // The message box keeps its short text; the reason goes to the log.
            if (result == LoadResult::Failed)
                std::fprintf(stderr, "lumivex: %s\n", openFailureReason(link, text, status).c_str());
        });
    if (result != LoadResult::Loaded)
        return;
    m_loadedName = text;
    m_loadedHeld = m_held.contains(text);
    m_loadedPortChanged = false;
    showLoaded(true);
    sheet->modelQuery();
}

LoadResult System::loadHeld(const QString& name)
{
    LoadResult result = LoadResult::Failed;
    host()->withLink([&](LinkState& link, MessageService& messages) {
        if (!m_ddcRoute) {
            messages.info(QStringLiteral("Controller %1 cannot be loaded here").arg(name));
            return;
        }
        QString problem;
        result = loadHeldController(link, messages, *m_ddcRoute, name, &problem);
        if (result == LoadResult::Failed && problem.isEmpty() && !link.failedReads().empty())
            problem = name + QStringLiteral(": the monitor does not answer: ")
                    + QString::fromStdString(refusedReadText(link, link.failedReads().back()));
        if (!problem.isEmpty())
            std::fprintf(stderr, "lumivex: %s\n", qPrintable(problem));
    });
    return result;
}

void System::unload()
{
    PageHost* sheet = host();
    if (!sheet)
        return;
    sheet->withLink([this](LinkState& link, MessageService& messages) {
        unloadLink(link, messages);
        // DDC2Bi is the window's own library again.
        if (m_ddcRoute)
            m_ddcRoute->use(nullptr);
    });
    showLoaded(false);
    // Kept listed while loaded whatever became of its device: look again.
    const QString loaded = std::exchange(m_loadedName, QString());
    if (std::exchange(m_loadedPortChanged, false))
        reprobe(loaded);
    // Kept listed while loaded whatever the service holds now: look again.
    if (std::exchange(m_loadedHeld, false))
        relistHeld();
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
