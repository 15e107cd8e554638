#include "control/status_json.h"

#include <QJsonValue>

#include <array>

namespace lumivex::control {

namespace {

QString nameOf(const QStringList& names, int index)
{
    return index >= 0 && index < names.size() ? names[index] : QString::number(index);
}

QString labelOf(const QStringList& labels, int index)
{
    return index >= 0 && index < labels.size() ? labels[index] : QString();
}

// The sizes as ZEPTA.ini holds them: a float's digits, not its binary tail.
QJsonObject sizesJson(const DisplayState& d)
{
    const std::array<double, 4> mm = sizesOf(d);
    return QJsonObject{{"bezelWidth", mm[0]}, {"viewableWidth", mm[1]}, {"bezelHeight", mm[2]}, {"viewableHeight", mm[3]}};
}

}  // namespace

QJsonObject statusJson(const Snapshot& s, const QString& linkName)
{
    const auto orNull = [](bool known, const QJsonValue& value) { return known ? value : QJsonValue(); };
    const QString layout = labelOf(displayModeLabels(s.model), s.display.displayMode);
    return QJsonObject{
        {"link", linkName},
        {"model", orNull(s.model >= 0, s.model >= 0 ? modelNames()[s.model] : QString())},
        {"input", nameOf(inputNames(), s.setting.inputSource)},
        {"power", nameOf(powerNames(), s.setting.power)},
        {"osd", nameOf(osdNames(), s.setting.osdLock)},
        {"rotation", orNull(s.rotationKnown, nameOf(rotationNames(), s.setting.rotation))},
        {"gpi", orNull(bool(s.gpio), s.gpio ? bitsText(s.gpio->inputs) : QString())},
        {"gpo", orNull(bool(s.gpio), s.gpio ? bitsText(s.gpio->outputs) : QString())},
        {"resolution", QJsonObject{{"index", s.display.resolution},
                                   {"label", labelOf(resolutionLabels(), s.display.resolution)}}},
        {"layout", QJsonObject{{"index", s.display.displayMode}, {"label", orNull(!layout.isEmpty(), layout)}}},
        {"mask", QJsonObject{{"on", s.display.maskMode == 1},
                             {"hTenths", s.display.hTenths},
                             {"vTenths", s.display.vTenths}}},
        {"sizes", sizesJson(s.display)},
    };
}

}  // namespace lumivex::control
