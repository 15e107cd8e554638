#include "app/sheet_osd.h"

#include "pages/about_page.h"
#include "res/artwork.h"
#include "link/ddc/ddc_api.h"
#include "pages/display_page.h"
#include "pages/interface_page.h"
#include "platform/message_service.h"
#include "pages/page_background.h"
#include "platform/ini_profile.h"
#include "panel/model_query.h"
#include "panel/reply_wait_setting.h"
#include "pages/setting_page.h"
#include "app/sheet_accessible.h"
#include "controls/sheet_tab_widget.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lumivex {

Sheet_OSD::Sheet_OSD(DdcApi& ddc, MessageService& messages, IniProfile& profile, QWidget* parent)
    : QDialog(parent)
    , m_ddc(ddc)
    , m_messages(messages)
    , m_profile(profile)
    , m_ddcRoute(ddc)
    , m_link(m_ddcRoute, m_monitors)
    , m_worker(std::make_unique<LinkWorker>())
    , m_linkMessages(messages)
    , m_heldInput(*this)
{
    useSheetAccessibility();
    setWindowTitle(QString::fromLatin1(kCaption));
    m_modelNames[0] = QStringLiteral("K410");
    m_modelNames[1] = QStringLiteral("K420");

    // Decoded meanwhile on another thread; the first page shows on it.
    PageBackground::preload();

    // The tab row is painted in the sheet's grey before any page is added.
    m_tabs = new SheetTabWidget(this);
    m_interface = new System;
    m_interface->setDdcRoute(&m_ddcRoute);
    m_display = new OSD_Color;
    m_setting = new Image;
    m_about = new OSD_About;
    // The order is fixed: the Display page is always the second tab.
    for (PropertyPage* page : {static_cast<PropertyPage*>(m_interface), static_cast<PropertyPage*>(m_display),
                               static_cast<PropertyPage*>(m_setting), static_cast<PropertyPage*>(m_about)})
        addPage(page);

    // Laid out as a property sheet is, with room for its standard button
    // row; the window set-up hides those buttons and gives the room back.
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin + kHiddenButtonRow);
    m_layout->addWidget(m_tabs);

    setWindowIcon(QIcon(iconPath(kIconId)));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor::fromRgb(kBackground));
    setPalette(grey);
    setAutoFillBackground(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    addTabKeys();
    initialiseDdcHelper();
    enumerateMonitors(m_ddc, m_monitors);
    applyReplyWaitSetting();
}

void Sheet_OSD::addTabKeys()
{
    // Ctrl+Tab and Ctrl+Shift+Tab change tabs wherever the focus is: a
    // drop-down list with the focus would otherwise take them as typing.
    const auto step = [this](int by) {
        const int count = m_tabs->count();
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + by + count) % count);
    };
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [step] { step(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previous, &QShortcut::activated, this, [step] { step(-1); });
}

Sheet_OSD::~Sheet_OSD()
{
    // The worker ends first (what it was doing finishes), then the port,
    // so its event thread never outlives the pages.
    m_worker.reset();
    m_link.closePort();
}

void Sheet_OSD::withLink(const LinkJob& job)
{
    const bool outermost = !m_heldInput.holding();
    if (outermost)
        setCursor(Qt::BusyCursor);
    m_heldInput.hold();
    if (outermost)
        tellBusyChanged();
    m_worker->run([this, &job] { job(m_link, m_linkMessages); });
    if (m_heldInput.holding() && !m_heldInput.holdingMoreThanOnce())
        unsetCursor();
    m_heldInput.release();
    if (outermost)
        tellBusyChanged();
}

void Sheet_OSD::tellBusyChanged()
{
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void Sheet_OSD::drainLink()
{
    // Idle, nothing else touches the link: no need to queue behind nothing.
    if (m_worker->isIdle())
        m_link.drain();
    else
        m_worker->post([this] { m_link.drain(); });
}

void Sheet_OSD::whenFree(std::function<void()> call)
{
    m_heldInput.whenFree(std::move(call));
}

void Sheet_OSD::addPage(PropertyPage* page)
{
    m_tabs->addTab(page, page->caption());
}

void Sheet_OSD::initialiseDdcHelper()
{
    // Twice, as the library expects; each failure is reported and start-up
    // goes on, so the panel still opens without DDC/CI.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int32_t status = m_ddc.InitDDCHelper();
        if (status != 0)
            m_messages.info(QStringLiteral("Error #")
                            + QString::number(static_cast<uint32_t>(status), 16).toUpper());
    }
}

void Sheet_OSD::applyReplyWaitSetting()
{
    const ChosenReplyWait chosen = configuredReplyWait(m_profile);
    m_link.setReplyWait(chosen.wait);
    for (const std::string& problem : chosen.problems)
        m_messages.info(QString::fromStdString(problem));
}

void Sheet_OSD::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_windowSetUp) {
        m_windowSetUp = true;
        applyWindowSetup();
    }
}

void Sheet_OSD::applyWindowSetup()
{
    // No OK, Cancel, Apply or Help: the top edge comes 30 pixels lower and
    // the bottom edge stays, then the window is centred.
    m_layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_layout->activate();  // the smaller minimum size applies at once
    QRect frame = geometry();
    frame.setTop(frame.top() + kHiddenButtonRow);
    setGeometry(frame);
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect centred = geometry();
        centred.moveCenter(screen->availableGeometry().center());
        move(centred.topLeft());
    }
}

}  // namespace lumivex

namespace lumivex {

void Sheet_OSD::modelQuery()
{
    ModelQueryResult result;
    withLink([&result](LinkState& link, MessageService& messages) { result = queryModel(link, messages); });
    const bool known = result.outcome == ModelQueryResult::Outcome::Known;
    if (known)
        m_modelIndex = result.modelIndex;
    const QString title = modelTitle(result, known ? modelName(result.modelIndex) : QString());
    if (!title.isEmpty())
        setWindowTitle(title);
}

int Sheet_OSD::displayLayoutSelection()
{
    return m_display->layoutSelection();
}

}  // namespace lumivex
