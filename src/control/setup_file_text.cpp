// The text save writes: every value it writes reads back as the same value.

#include "control/setup_file.h"
#include "control/snapshot.h"

#include <QDateTime>
#include <QTextStream>

#include <mutex>

namespace lumivex::control {

namespace {

// The local time, one thread at a time: the C library reads the time zone
// again at each call, under a lock of its own that checkers cannot see.
QString localTimeNow()
{
    static std::mutex lock;
    std::lock_guard hold(lock);
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}

// A value's name, or its raw number when it has none.
QString valueText(const QStringList& names, int32_t value)
{
    return names.value(value, QString::number(value));
}

}  // namespace

QString setupFileText(const Snapshot& s, const QString& linkId)
{
    QString out;
    QTextStream t(&out);
    const ModelFeatures features = modelFeatures(s.model);
    const QStringList layouts = displayModeLabels(s.model);
    const auto list = [](const QStringList& names) { return names.join(QStringLiteral(", ")); };
    t << "; ZEPTA set-up read from " << linkId << " on "
      << localTimeNow() << ".\n"
      << "; Edit it and load it with: lumivex-ctl --link " << linkId << " apply FILE\n"
      << "; A key left out is left as it is on the device.\n\n";
    t << "[Device]\n";
    if (s.model >= 0)
        t << "; what the set-up was read from\nmodel=" << modelNames()[s.model] << "\n";
    t << "; " << list(features.analogInputs ? inputNames() : QStringList{inputNames()[2]}) << "\n"
      << "input=" << valueText(inputNames(), s.setting.inputSource) << "\n"
      << "; " << list(powerNames()) << "\npower=" << valueText(powerNames(), s.setting.power) << "\n"
      << "; " << list(osdNames()) << "\nosd=" << valueText(osdNames(), s.setting.osdLock) << "\n";
    if (s.rotationKnown)
        t << "; " << list(rotationNames()) << "\nrotation=" << valueText(rotationNames(), s.setting.rotation) << "\n";
    if (s.gpio && features.gpio)
        t << "; outputs GPO-4 to GPO-1, 1 is on\ngpo=" << bitsText(s.gpio->outputs) << "\n";
    t << "; " << list(resolutionLabels()) << "\nresolution=" << valueText(resolutionLabels(), s.display.resolution)
      << "\n";
    if (!layouts.isEmpty())
        t << "; " << list(layouts) << "\nlayout=" << valueText(layouts, s.display.displayMode) << "\n";
    else
        t << "; the layout's number in the model's list\nlayout=" << s.display.displayMode << "\n";
    t << "\n[Mask]\n; " << list(maskNames()) << "\nmask=" << valueText(maskNames(), s.display.maskMode) << "\n"
      << "; percent of the picture hidden at each edge; Calculate keeps to 10.0\n"
      << "h=" << QString::number(s.display.hTenths / 10.0, 'f', 1) << "\n"
      << "v=" << QString::number(s.display.vTenths / 10.0, 'f', 1) << "\n";
    t << "\n[Sizes]\n; millimetres, kept in ZEPTA.ini for the Display tab's Calculate\n";
    const std::array<double, 4> sizes = sizesOf(s.display);
    for (size_t i = 0; i < sizes.size(); ++i)
        t << kSizeKeys[i] << "=" << QString::fromStdString(formatSizeExact(sizes[i])).trimmed() << "\n";
    t.flush();
    return out;
}

}  // namespace lumivex::control
