#include "lumivex-ctl/status_output.h"

#include <array>

namespace lumivex::ctl {

using namespace control;

namespace {

QString nameOf(const QStringList& names, int index)
{
    return index >= 0 && index < names.size() ? names[index] : QString::number(index);
}

QString labelOf(const QStringList& labels, int index)
{
    return index >= 0 && index < labels.size() ? labels[index] : QString();
}

QString percent(int32_t tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

}  // namespace

QString statusText(const Snapshot& s)
{
    QString out;
    const auto line = [&out](const char* key, const QString& value) {
        out += QStringLiteral("%1 %2\n").arg(QString::fromLatin1(key), -16).arg(value);
    };
    if (s.model >= 0)
        line("model", modelNames()[s.model]);
    line("input", nameOf(inputNames(), s.setting.inputSource));
    line("power", nameOf(powerNames(), s.setting.power));
    line("osd", nameOf(osdNames(), s.setting.osdLock));
    if (s.rotationKnown)
        line("rotation", nameOf(rotationNames(), s.setting.rotation));
    if (s.gpio) {
        line("gpi", bitsText(s.gpio->inputs));
        line("gpo", bitsText(s.gpio->outputs));
    }
    // The label and its number; the number alone where no label is known.
    const auto listed = [](const QString& label, int index) {
        return label.isEmpty() ? QString::number(index) : QStringLiteral("%1 (%2)").arg(label).arg(index);
    };
    line("resolution", listed(labelOf(resolutionLabels(), s.display.resolution), s.display.resolution));
    line("layout", listed(labelOf(displayModeLabels(s.model), s.display.displayMode), s.display.displayMode));
    line("mask", QStringLiteral("%1, H %2 %, V %3 %")
                     .arg(nameOf(maskNames(), s.display.maskMode), percent(s.display.hTenths),
                          percent(s.display.vTenths)));
    const std::array<double, 4> mm = sizesOf(s.display);
    const char* const sizeNames[] = {"bezel width", "viewable width", "bezel height", "viewable height"};
    for (size_t i = 0; i < mm.size(); ++i)
        line(sizeNames[i], QString::fromStdString(formatSizeExact(mm[i])).trimmed() + QStringLiteral(" mm"));
    return out;
}

}  // namespace lumivex::ctl
