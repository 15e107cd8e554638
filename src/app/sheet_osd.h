#pragma once
// The panel's only window: a modal tabbed sheet holding the four pages and
// what they share (the monitors found at start-up, the model).

#include "pages/busy_input_queue.h"
#include "platform/cross_thread_messages.h"
#include "link/link_state.h"
#include "link/link_worker.h"
#include "link/ddc/monitor_table.h"
#include "pages/page_host.h"
#include "panel/held_link.h"

#include <QDialog>

#include <array>
#include <memory>

class QTabWidget;
class QVBoxLayout;

namespace lumivex {

class DdcApi;
class IniProfile;
class MessageService;
class PropertyPage;
class System;
class OSD_Color;
class Image;
class OSD_About;

class Sheet_OSD : public QDialog, public PageHost {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "ZEPTA Lumivex V1.3";
    static constexpr int kModelNameCount = 50;
    // Dialog background grey, 0x00C0C0C0.
    static constexpr QRgb kBackground = 0xFFC0C0C0;
    // Room of the standard button row, which the sheet hides and gives back.
    static constexpr int kHiddenButtonRow = 30;
    static constexpr int kIconId = 197;
    static constexpr int kMargin = 6;

    Sheet_OSD(DdcApi& ddc, MessageService& messages, IniProfile& profile, QWidget* parent = nullptr);
    ~Sheet_OSD() override;

    DdcApi& ddc() const { return m_ddc; }
    MessageService& messages() const override { return m_messages; }
    // The INI file the pages keep their settings in.
    IniProfile& profile() const override { return m_profile; }

    const MonitorTable& monitorTable() const { return m_monitors; }
    int32_t monitorCount() const { return m_monitors.count; }
    const QString& modelName(int index) const { return m_modelNames.at(static_cast<size_t>(index)); }
    int32_t modelIndex() const override { return m_modelIndex; }
    // InterfaceMode, transmit frame, serial port and receive buffer. Its
    // worker owns it while a job runs; touch it here only when idle.
    LinkState& link() { return m_link; }
    void withLink(const LinkJob& job) override;
    void drainLink() override;
    void whenFree(std::function<void()> call) override;
    // The link's worker has nothing running or queued.
    bool linkIdle() const { return m_worker->isIdle(); }
    // The sheet waits for its link's worker: input is held meanwhile, and
    // assistive technology is told the window is busy.
    bool isBusy() const { return m_heldInput.holding(); }
    // Reads the model from the open link into the model index and the
    // title; "Interface port unload" without a link. A failed DDC/CI read
    // changes nothing.
    void modelQuery() override;
    int displayLayoutSelection() override;

    QTabWidget* tabs() const { return m_tabs; }
    System* interfacePage() const { return m_interface; }
    OSD_Color* displayPage() const { return m_display; }
    Image* settingPage() const { return m_setting; }
    OSD_About* aboutPage() const { return m_about; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Assistive technology learns the busy state has changed.
    void tellBusyChanged();
    void initialiseDdcHelper();
    void applyReplyWaitSetting();
    void addTabKeys();
    void addPage(PropertyPage* page);
    void applyWindowSetup();

    DdcApi& m_ddc;
    MessageService& m_messages;
    IniProfile& m_profile;
    MonitorTable m_monitors;
    std::array<QString, kModelNameCount> m_modelNames;
    int32_t m_modelIndex = kNoModel;
    // The link's DDC/CI operations: m_ddc, or a held controller's.
    DdcRoute m_ddcRoute;
    LinkState m_link;
    // All of the link's I/O runs there; its boxes come back here.
    std::unique_ptr<LinkWorker> m_worker;
    CrossThreadMessages m_linkMessages;
    BusyInputQueue m_heldInput;

    QVBoxLayout* m_layout = nullptr;
    QTabWidget* m_tabs = nullptr;
    System* m_interface = nullptr;
    OSD_Color* m_display = nullptr;
    Image* m_setting = nullptr;
    OSD_About* m_about = nullptr;
    bool m_windowSetUp = false;
};

}  // namespace lumivex
