#include "setup_file.h"

#include "ctl_device.h"
#include "ctl_errors.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace lumivex::ctl {

QString fileLine(const QString& path, int line, const QString& text)
{
    return QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(text);
}

namespace {

// A percentage of the mask in tenths, with the panel's checks.
std::optional<int32_t> maskTenths(const QString& text, QString& why)
{
    bool number = false;
    const float percent = text.toFloat(&number);
    DisplayState state;
    state.hPercent = number ? percent : std::nanf("");
    const MaskCheck check = calculateMask(state, -1);
    if (check != MaskCheck::Fine) {
        why = maskCheckMessage(check);
        return std::nullopt;
    }
    return state.hTenths;
}

std::optional<double> sizeValue(const QString& text)
{
    bool number = false;
    const double value = text.toDouble(&number);
    if (!number || !(value >= 0 && value <= kMaxSize))
        return std::nullopt;
    return value;
}

struct Key {
    // Stores the value; false (with why set) when it is not one.
    std::function<bool(SetupFile&, const QString& value, int line, QString& why)> take;
};

template <typename T>
bool store(Field<T>& field, std::optional<T> value, int line)
{
    if (!value)
        return false;
    field.value = std::move(value);
    field.line = line;
    return true;
}

Key named(Field<int> SetupFile::*field, const QStringList& names)
{
    return {[field, &names](SetupFile& f, const QString& v, int line, QString& why) {
        why = names.join(QStringLiteral(" or "));
        return store(f.*field, pickName(names, v), line);
    }};
}

Key text(Field<QString> SetupFile::*field)
{
    return {[field](SetupFile& f, const QString& v, int line, QString&) {
        return store(f.*field, v.isEmpty() ? std::nullopt : std::optional<QString>(v), line);
    }};
}

Key tenths(Field<int32_t> SetupFile::*field)
{
    return {[field](SetupFile& f, const QString& v, int line, QString& why) {
        return store(f.*field, maskTenths(v, why), line);
    }};
}

Key size(size_t index)
{
    return {[index](SetupFile& f, const QString& v, int line, QString& why) {
        why = QStringLiteral("millimetres from 0 to %1").arg(kMaxSize);
        return store(f.sizes[index], sizeValue(v), line);
    }};
}

using Section = std::map<QString, Key>;

const std::map<QString, Section>& sections()
{
    static const std::map<QString, Section> all{
        {"device",
         {{"model", named(&SetupFile::model, modelNames())},
          {"input", named(&SetupFile::input, inputNames())},
          {"power", named(&SetupFile::power, powerNames())},
          {"osd", named(&SetupFile::osd, osdNames())},
          {"rotation", named(&SetupFile::rotation, rotationNames())},
          {"gpo", {[](SetupFile& f, const QString& v, int line, QString& why) {
               why = QStringLiteral("four digits 0 or 1, GPO-4 first");
               return store(f.gpo, parseBits(v), line);
           }}},
          {"resolution", text(&SetupFile::resolution)},
          {"layout", text(&SetupFile::layout)}}},
        {"mask",
         {{"mask", named(&SetupFile::mask, maskNames())},
          {"h", tenths(&SetupFile::hTenths)},
          {"v", tenths(&SetupFile::vTenths)}}},
        {"sizes",
         {{kSizeKeys[0], size(0)}, {kSizeKeys[1], size(1)}, {kSizeKeys[2], size(2)}, {kSizeKeys[3], size(3)}}},
    };
    return all;
}

}  // namespace

bool isEmpty(const SetupFile& f)
{
    const bool anySize = std::any_of(f.sizes.begin(), f.sizes.end(), [](const auto& size) { return size.value; });
    return !(f.model.value || f.input.value || f.power.value || f.osd.value || f.rotation.value || f.gpo.value
             || f.resolution.value || f.layout.value || f.mask.value || f.hTenths.value || f.vTenths.value || anySize);
}

SetupFile readSetupFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(kExitUsage, QStringLiteral("%1: %2").arg(path, file.errorString()));
    SetupFile setup;
    setup.path = path;
    const Section* section = nullptr;
    QTextStream in(&file);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const auto found = sections().find(line.mid(1, line.size() - 2).trimmed().toLower());
            if (found == sections().end())
                fail(kExitUsage, fileLine(path, number, QStringLiteral("unknown section %1").arg(line)));
            section = &found->second;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            fail(kExitUsage, fileLine(path, number, QStringLiteral("expected key=value, not '%1'").arg(line)));
        if (!section)
            fail(kExitUsage, fileLine(path, number, QStringLiteral("a key before any section")));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        const auto found = section->find(key);
        if (found == section->end())
            fail(kExitUsage, fileLine(path, number, QStringLiteral("unknown key '%1'").arg(key)));
        QString why;
        if (!found->second.take(setup, value, number, why))
            fail(kExitUsage, fileLine(path, number, QStringLiteral("bad value '%1' for %2%3")
                                                        .arg(value, key, why.isEmpty() ? QString()
                                                                                       : QStringLiteral(": ") + why)));
    }
    return setup;
}

QString setupFileText(const Snapshot& s, const QString& linkName)
{
    QString out;
    QTextStream t(&out);
    const ModelFeatures features = modelFeatures(s.model);
    const QStringList layouts = displayModeLabels(s.model);
    const auto list = [](const QStringList& names) { return names.join(QStringLiteral(", ")); };
    t << "; ZEPTA set-up read from " << linkName << " on "
      << QDateTime::currentDateTime().toString(Qt::ISODate) << ".\n"
      << "; Edit it and load it with: lumivex-ctl --link " << linkName << " apply FILE\n"
      << "; A key left out is left as it is on the device.\n\n";
    t << "[Device]\n";
    if (s.model >= 0)
        t << "; what the set-up was read from\nmodel=" << modelNames()[s.model] << "\n";
    t << "; " << list(features.analogInputs ? inputNames() : QStringList{inputNames()[2]}) << "\n"
      << "input=" << inputNames().value(s.setting.inputSource) << "\n"
      << "; " << list(powerNames()) << "\npower=" << powerNames().value(s.setting.power) << "\n"
      << "; " << list(osdNames()) << "\nosd=" << osdNames().value(s.setting.osdLock) << "\n";
    if (s.rotationKnown)
        t << "; " << list(rotationNames()) << "\nrotation=" << rotationNames().value(s.setting.rotation) << "\n";
    if (s.gpio && features.gpio)
        t << "; outputs GPO-4 to GPO-1, 1 is on\ngpo=" << bitsText(s.gpio->outputs) << "\n";
    t << "; " << list(resolutionLabels()) << "\nresolution=" << resolutionLabels().value(s.display.resolution)
      << "\n";
    if (!layouts.isEmpty())
        t << "; " << list(layouts) << "\nlayout=" << layouts.value(s.display.displayMode) << "\n";
    else
        t << "; the layout's number in the model's list\nlayout=" << s.display.displayMode << "\n";
    t << "\n[Mask]\n; " << list(maskNames()) << "\nmask=" << maskNames().value(s.display.maskMode) << "\n"
      << "; percent of the picture hidden at each edge, 0.0 to 10.0\n"
      << "h=" << QString::number(s.display.hTenths / 10.0, 'f', 1) << "\n"
      << "v=" << QString::number(s.display.vTenths / 10.0, 'f', 1) << "\n";
    t << "\n[Sizes]\n; millimetres, kept in ZEPTA.ini for the Display tab's Calculate\n";
    const std::array<double, 4> sizes{s.display.bezelWidth, s.display.viewableWidth, s.display.bezelHeight,
                                      s.display.viewableHeight};
    for (size_t i = 0; i < sizes.size(); ++i)
        t << kSizeKeys[i] << "=" << QString::number(sizes[i], 'f', 1) << "\n";
    t.flush();
    return out;
}

}  // namespace lumivex::ctl
