#include "pages/display_page.h"

#include "link/command_table.h"
#include "platform/ini_profile.h"
#include "link/link_state.h"
#include "platform/message_service.h"
#include "pages/page_host.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>

namespace lumivex {

namespace {

constexpr const char* kLastFileNameKey = "Last File Name";
// Written whatever the model, as the Windows panel did.
constexpr const char* kLastFileName = "ZEPTA-K410";

void select(QComboBox* list, int index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

QString shown(double value, int digits)
{
    return QString::number(value, 'g', digits);
}

}  // namespace

OSD_Color::OSD_Color(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
{
}

QComboBox* OSD_Color::list(int id)
{
    return control<QComboBox>(id);
}

QLineEdit* OSD_Color::edit(int id)
{
    return control<QLineEdit>(id);
}

int OSD_Color::layoutSelection()
{
    return isBuilt() ? list(kDisplayModeListId)->currentIndex() : -1;
}

void OSD_Color::connectControls()
{
    setRefreshButton(kRefreshId);
    // Only the operator's choice sends; refilling a list does not.
    connect(list(kResolutionListId), &QComboBox::activated, this, &OSD_Color::chooseResolution);
    connect(list(kDisplayModeListId), &QComboBox::activated, this, &OSD_Color::chooseDisplayMode);
    // Every click sends, even on the button already checked.
    connect(control<QAbstractButton>(kMaskOffId), &QAbstractButton::clicked, this, [this] { setMask(0); });
    connect(control<QAbstractButton>(kMaskOnId), &QAbstractButton::clicked, this, [this] { setMask(1); });
    connect(control<QAbstractButton>(kCalculateId), &QAbstractButton::clicked, this, &OSD_Color::calculate);
}

void OSD_Color::initialisePage()
{
    list(kResolutionListId)->addItems(resolutionLabels());
    list(kDisplayModeListId)->addItems(displayModeLabels(0));
    if (PageHost* sheet = takeHost())
        sheet->profile().writeString(kSizesSection, kLastFileNameKey, kLastFileName);
}

void OSD_Color::activatePage(PageHost& host)
{
    QComboBox* modes = list(kDisplayModeListId);
    modes->clear();
    modes->addItems(displayModeLabels(host.modelIndex()));
    // Read on the link's worker into a copy the page takes back after.
    DisplayState read = m_state;
    host.withLink([&read](LinkState& link, MessageService& messages) { readBackDisplay(link, messages, read); });
    m_state = read;
    // Sizes typed but not calculated give way to the stored ones.
    loadSizes(host.profile(), m_state);
    showState();
}

void OSD_Color::showState()
{
    select(list(kResolutionListId), m_state.resolution);
    select(list(kDisplayModeListId), m_state.displayMode);
    edit(kHTenthsId)->setText(QString::number(m_state.hTenths));
    edit(kVTenthsId)->setText(QString::number(m_state.vTenths));
    checkRadio(0, m_state.maskMode);
    edit(kHPercentId)->setText(shown(m_state.hPercent, 6));
    edit(kVPercentId)->setText(shown(m_state.vPercent, 6));
    edit(kViewableWidthId)->setText(shown(m_state.viewableWidth, 6));
    edit(kBezelWidthId)->setText(shown(m_state.bezelWidth, 15));
    edit(kViewableHeightId)->setText(shown(m_state.viewableHeight, 6));
    edit(kBezelHeightId)->setText(shown(m_state.bezelHeight, 6));
}

bool OSD_Color::takeState()
{
    const QLocale c = QLocale::c();
    m_state.resolution = list(kResolutionListId)->currentIndex();
    m_state.displayMode = list(kDisplayModeListId)->currentIndex();
    m_state.hTenths = edit(kHTenthsId)->text().toInt();
    m_state.vTenths = edit(kVTenthsId)->text().toInt();
    m_state.maskMode = radioGroups().front()->checkedId();
    m_state.hPercent = c.toFloat(edit(kHPercentId)->text());
    m_state.vPercent = c.toFloat(edit(kVPercentId)->text());

    // A size that is no number, or out of range, stops the exchange there
    // and keeps the page's value, as the operator is told.
    const auto size = [&](int id, auto& value) {
        bool ok = false;
        const double typed = c.toDouble(edit(id)->text().trimmed(), &ok);
        if (ok && typed >= 0 && typed <= kMaxSize) {
            value = static_cast<std::remove_reference_t<decltype(value)>>(typed);
            return true;
        }
        if (PageHost* sheet = host())
            sheet->messages().info(QStringLiteral("Please enter a number between 0 and 10000."));
        edit(id)->setFocus();
        edit(id)->selectAll();
        return false;
    };
    return size(kViewableWidthId, m_state.viewableWidth) && size(kBezelWidthId, m_state.bezelWidth)
        && size(kViewableHeightId, m_state.viewableHeight) && size(kBezelHeightId, m_state.bezelHeight);
}

void OSD_Color::chooseResolution(int index)
{
    m_state.resolution = index;
    if (PageHost* sheet = host())
        sheet->send(commands::resolution(index, list(kDisplayModeListId)->currentIndex()));
    showState();
}

void OSD_Color::chooseDisplayMode(int index)
{
    m_state.displayMode = index;
    if (PageHost* sheet = host())
        sheet->send(commands::displayMode(list(kResolutionListId)->currentIndex(), index));
}

void OSD_Color::setMask(int mode)
{
    m_state.maskMode = mode;
    // The tenths the page holds, from the last read-back or "Calculate".
    if (PageHost* sheet = host())
        sheet->send(commands::bezelMask(list(kDisplayModeListId)->currentIndex(), m_state.hTenths, m_state.vTenths,
                                        mode == int(protocol::Mask::On)));
}

void OSD_Color::calculate()
{
    PageHost* sheet = host();
    if (!sheet)
        return;
    takeState();
    const MaskCheck check = calculateMask(m_state, sheet->modelIndex());
    saveSizes(sheet->profile(), m_state);
    if (check != MaskCheck::Fine)
        sheet->messages().info(maskCheckMessage(check));
    if (check != MaskCheck::CheckParameters)
        showState();
}

}  // namespace lumivex
