#pragma once

#include "pages/property_page.h"
#include "link/protocol.h"
#include "panel/setting_rules.h"

#include <memory>

namespace lumivex {

class GlobalHotkey;
struct Command;

// Setting tab: input source, power, OSD lock, GPIO and maintenance commands.
class Image : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 129;
    static constexpr int kRefreshId = 1166;
    static constexpr int kVgaId = 1053;
    static constexpr int kComponentId = 1055;
    static constexpr int kDviId = 1054;
    static constexpr int kPowerOffId = 1056;
    static constexpr int kPowerOnId = 1057;
    static constexpr int kFactoryResetId = 1168;
    static constexpr int kAutoAdjustId = 1169;
    static constexpr int kUnlockId = 1058;
    static constexpr int kLockId = 1059;
    static constexpr int kNormalId = 1060;
    static constexpr int kRotationId = 1061;
    static constexpr int kFirstGpoId = 1072;  // GPO-1..GPO-4: 1072..1075
    static constexpr int kFirstGpiId = 1076;  // GPI-1..GPI-4: 1076..1079
    static constexpr int kIdentifyId = 1185;
    // Alt+P switches the device back on from anywhere on the desktop.
    static constexpr int kPowerOnHotkeyId = 100;

    explicit Image(QWidget* parent = nullptr);
    ~Image() override;

    const SettingState& state() const { return m_state; }
    // What the hotkey does: power on, sent over the current link, and
    // "ON" checked with the focus.
    void powerOnFromHotkey();

protected:
    void connectControls() override;
    void initialisePage() override;
    void activatePage(PageHost& host) override;

private:
    enum RadioGroup { InputGroup, PowerGroup, OsdGroup, RotationGroup };

    void showState();
    void showGpio(const GpioBits& bits);
    void enableForModel(int32_t modelIndex);
    void send(const Command& command);

    void chooseInput(int index);
    void choosePower(int index);
    void chooseOsd(protocol::OsdMode mode);
    void toggleGpo(int bit);
    void factoryReset();
    void autoAdjust();

    SettingState m_state;
    std::unique_ptr<GlobalHotkey> m_hotkey;
};

}  // namespace lumivex
