#include "pages/setting_page.h"

#include "res/artwork.h"
#include "link/command_table.h"
#include "platform/global_hotkey.h"
#include "link/link_state.h"
#include "platform/message_service.h"
#include "pages/page_host.h"
#include "controls/shade_button.h"


namespace lumivex {

namespace {

constexpr int kGpioCount = 4;
constexpr int kLitIcon = 172;
constexpr int kUnlitIcon = 173;

}  // namespace

Image::Image(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
{
}

Image::~Image() = default;

void Image::connectControls()
{
    setRefreshButton(kRefreshId);
    const auto onClick = [this](int id, auto handler) {
        connect(control<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(kVgaId, [this] { chooseInput(0); });
    onClick(kComponentId, [this] { chooseInput(1); });
    onClick(kDviId, [this] { chooseInput(2); });
    onClick(kPowerOffId, [this] { choosePower(0); });
    onClick(kPowerOnId, [this] { choosePower(1); });
    onClick(kUnlockId, [this] { chooseOsd(protocol::OsdMode::Unlock); });
    onClick(kLockId, [this] { chooseOsd(protocol::OsdMode::Lock); });
    onClick(kNormalId, [this] { chooseOsd(protocol::OsdMode::Normal); });
    onClick(kRotationId, [this] { chooseOsd(protocol::OsdMode::Rotate); });
    onClick(kFactoryResetId, [this] { factoryReset(); });
    onClick(kAutoAdjustId, [this] { autoAdjust(); });
    onClick(kIdentifyId, [this] { send(commands::identify()); });
    for (int bit = 0; bit < kGpioCount; ++bit)
        onClick(kFirstGpoId + bit, [this, bit] { toggleGpo(bit); });
}

void Image::initialisePage()
{
    // Registered once the tab has first been shown; where the desktop
    // offers no system-wide keys the panel goes on without it.
    m_hotkey = GlobalHotkey::create();
    // A key pressed while the link is busy acts once it is free, in turn.
    connect(m_hotkey.get(), &GlobalHotkey::activated, this, [this] {
        if (PageHost* sheet = host())
            sheet->whenFree([this] { powerOnFromHotkey(); });
        else
            powerOnFromHotkey();
    });
    m_hotkey->registerAltKey(kPowerOnHotkeyId, Qt::Key_P);
}

void Image::activatePage(PageHost& host)
{
    enableForModel(host.modelIndex());
    // Read on the link's worker into a copy the page takes back after.
    std::optional<GpioBits> gpio;
    SettingState read = m_state;
    host.withLink([&](LinkState& link, MessageService& messages) { readBackSettings(link, messages, read, gpio); });
    m_state = read;
    if (gpio)
        showGpio(*gpio);
    showState();
}

void Image::enableForModel(int32_t modelIndex)
{
    // An unknown model leaves the controls as they are.
    if (modelIndex != 0 && modelIndex != 1)
        return;
    const ModelFeatures features = modelFeatures(modelIndex);
    for (int id : {kVgaId, kComponentId})
        control(id)->setEnabled(features.analogInputs);
    control(kAutoAdjustId)->setEnabled(features.autoAdjust);
    for (int i = 0; i < kGpioCount; ++i) {
        control(kFirstGpoId + i)->setEnabled(features.gpio);
        control(kFirstGpiId + i)->setEnabled(features.gpio);
    }
}

void Image::showState()
{
    checkRadio(InputGroup, m_state.inputSource);
    checkRadio(PowerGroup, m_state.power);
    checkRadio(OsdGroup, m_state.osdLock);
    checkRadio(RotationGroup, m_state.rotation);
}

void Image::showGpio(const GpioBits& bits)
{
    for (int i = 0; i < kGpioCount; ++i) {
        const bool lit = bits.inputs & (1 << i);
        auto* input = control<CShadeButtonST>(kFirstGpiId + i);
        input->setChecked(lit);
        const QIcon icon(iconPath(lit ? kLitIcon : kUnlitIcon));
        input->AssignIcons(icon, icon);
        control<CShadeButtonST>(kFirstGpoId + i)->setChecked(bits.outputs & (1 << i));
    }
}

void Image::send(const Command& command)
{
    if (PageHost* sheet = host())
        sheet->send(command);
}

void Image::chooseInput(int index)
{
    m_state.inputSource = index;
    send(commands::inputSource(index));
}

void Image::choosePower(int index)
{
    PageHost* sheet = host();
    // No keeps the click's look and sends nothing.
    if (index == int(protocol::Power::Off) && sheet
        && !sheet->messages().askYesNo(QString::fromLatin1(setting_messages::kPowerOff)))
        return;
    m_state.power = index;
    send(commands::power(index));
}

void Image::chooseOsd(protocol::OsdMode mode)
{
    // The lock and the rotation share one command.
    const int value = int(mode);
    if (mode == protocol::OsdMode::Unlock || mode == protocol::OsdMode::Lock)
        m_state.osdLock = value;
    else
        m_state.rotation = value - int(protocol::OsdMode::Normal);
    send(commands::osdMode(mode));
}

void Image::toggleGpo(int bit)
{
    // The box has toggled itself; the byte follows it and goes out whole.
    const bool on = control<QAbstractButton>(kFirstGpoId + bit)->isChecked();
    m_state.gpoOutput = gpoWithBit(m_state.gpoOutput, bit, on);
    send(commands::gpo(m_state.gpoOutput));
}

void Image::factoryReset()
{
    PageHost* sheet = host();
    if (sheet && sheet->messages().askYesNo(QString::fromLatin1(setting_messages::kFactoryReset)))
        send(commands::factoryReset());
}

void Image::autoAdjust()
{
    PageHost* sheet = host();
    if (!sheet)
        return;
    const int layout = sheet->displayLayoutSelection();
    AutoAdjustCheck check = AutoAdjustCheck::NoLink;
    sheet->withLink([&](LinkState& link, MessageService&) { check = checkAutoAdjust(link, m_state.inputSource, layout); });
    if (check == AutoAdjustCheck::NoLink)
        return;
    if (check != AutoAdjustCheck::Ask) {
        sheet->messages().info(autoAdjustMessage(check));
        return;
    }
    if (sheet->messages().askYesNo(autoAdjustMessage(check)))
        send(commands::autoAdjust());
}

void Image::powerOnFromHotkey()
{
    constexpr int on = int(protocol::Power::On);
    m_state.power = on;
    send(commands::power(on));
    checkRadio(PowerGroup, on);
    control(kPowerOnId)->setFocus();
}

}  // namespace lumivex
