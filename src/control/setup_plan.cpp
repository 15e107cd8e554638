#include "control/setup_plan.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace lumivex::control {

namespace {

template <typename E>
int32_t raw(E value)
{
    return static_cast<int32_t>(value);
}

// The name of a value, or its number when it has none.
QString named(const QStringList& names, int32_t value)
{
    return names.value(value, QString::number(value));
}

QString tenthsText(int32_t tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

// Every digit the value holds, as they are kept in ZEPTA.ini.
QString sizeText(double mm)
{
    return QString::fromStdString(formatSizeExact(mm)).trimmed();
}

}  // namespace

std::optional<int32_t> pickListed(const QStringList& labels, const QString& text)
{
    if (const std::optional<int> index = pickLabel(labels, text))
        return *index;
    const QString t = text.trimmed();
    std::optional<int32_t> only;
    for (int i = 0; i < labels.size(); ++i) {
        if (labels[i].startsWith(t + QLatin1Char('@'), Qt::CaseInsensitive)) {
            if (only)
                return std::nullopt;
            only = i;
        }
    }
    if (only)
        return only;
    bool number = false;
    const int value = t.toInt(&number);
    if (number && value >= 0 && value <= 255)
        return value;
    return std::nullopt;
}

QStringList Plan::changedFields() const
{
    QStringList fields;
    for (const Step& step : steps)
        if (!fields.contains(QLatin1String(step.field)))
            fields << QLatin1String(step.field);
    return fields;
}

namespace {

Wanted wantedOf(const SetupFile& f)
{
    Wanted w;
    w.input = f.input.value;
    w.power = f.power.value;
    w.osd = f.osd.value;
    w.rotation = f.rotation.value;
    w.gpo = f.gpo.value;
    w.mask = f.mask.value;
    w.hTenths = f.hTenths.value;
    w.vTenths = f.vTenths.value;
    for (size_t i = 0; i < w.sizes.size(); ++i)
        w.sizes[i] = f.sizes[i].value;
    return w;
}

// A resolution or layout text looked up in its list; the refusal when none fits.
std::optional<QString> lookUp(const SetupFile& f, const Field<QString>& field, const QStringList& labels,
                              const char* key, std::optional<int32_t>& index)
{
    if (!field.value)
        return std::nullopt;
    index = pickListed(labels, *field.value);
    if (index)
        return std::nullopt;
    return fileLine(f.path, field.line, QStringLiteral("bad value '%1' for %2: %3")
                                            .arg(*field.value, QLatin1String(key),
                                                 labels.isEmpty() ? QStringLiteral("a number, no model known")
                                                                  : labels.join(QStringLiteral(", "))));
}

// The sizes as ZEPTA.ini would hold them after the file; set when they differ.
std::optional<DisplayState> sizesWanted(const Wanted& w, const DisplayState& shown)
{
    DisplayState sizes = shown;
    const std::array<double, 4> now = sizesOf(shown);
    std::array<double, 4> want = now;
    bool differ = false;
    for (size_t i = 0; i < want.size(); ++i) {
        // All but the bezel width are held as floats: compare what would be held.
        want[i] = w.sizes[i] ? (i == 0 ? *w.sizes[i] : widenSize(float(*w.sizes[i]))) : now[i];
        differ = differ || sizeText(want[i]) != sizeText(now[i]);
    }
    sizes.bezelWidth = want[0];
    sizes.viewableWidth = float(want[1]);
    sizes.bezelHeight = float(want[2]);
    sizes.viewableHeight = float(want[3]);
    return differ ? std::optional<DisplayState>(sizes) : std::nullopt;
}

}  // namespace

std::optional<QString> validate(const SetupFile& f, const Snapshot& before, Wanted& w)
{
    const int32_t model = before.model;
    const ModelFeatures features = modelFeatures(model);
    const QString modelName = modelNames().value(model, QStringLiteral("unknown model"));
    if (f.model.value && model >= 0 && *f.model.value != model)
        return fileLine(f.path, f.model.line, QStringLiteral("saved from a %1; the device is a %2")
                                                  .arg(modelNames().value(*f.model.value), modelName));
    w = wantedOf(f);
    // What the device already reads is never refused: a set-up saved from
    // it goes back to it unchanged.
    if (w.input && raw(*w.input) != before.setting.inputSource && *w.input != Input::Dvi && !features.analogInputs)
        return fileLine(f.path, f.input.line, QStringLiteral("the %1 has only the DVI input").arg(modelName));
    if (w.gpo && !features.gpio)
        return fileLine(f.path, f.gpo.line, QStringLiteral("the %1 has no GPIO").arg(modelName));
    if (auto refusal = lookUp(f, f.resolution, resolutionLabels(), "resolution", w.resolution))
        return refusal;
    return lookUp(f, f.layout, displayModeLabels(model), "layout", w.layout);
}

std::vector<Step> diff(const Wanted& w, const Snapshot& before, bool ddc, std::optional<DisplayState>& sizes)
{
    std::vector<Step> steps;
    const auto add = [&steps](const char* field, const Command& command) { steps.push_back({field, command}); };
    const SettingState& was = before.setting;
    const DisplayState& shown = before.display;
    if (w.input && raw(*w.input) != was.inputSource)
        add("input", commands::inputSource(raw(*w.input)));
    const int32_t resolution = w.resolution.value_or(shown.resolution);
    const int32_t layout = w.layout.value_or(shown.displayMode);
    const bool resolutionDiffers = resolution != shown.resolution;
    if (resolutionDiffers)
        add("resolution", commands::resolution(resolution, layout));
    // On the serial line one frame carries both.
    if (layout != shown.displayMode && (ddc || !resolutionDiffers))
        add("layout", commands::displayMode(resolution, layout));
    const Mask mask = w.mask.value_or(Mask(shown.maskMode));
    const int32_t h = w.hTenths.value_or(shown.hTenths);
    const int32_t v = w.vTenths.value_or(shown.vTenths);
    if (raw(mask) != shown.maskMode || h != shown.hTenths || v != shown.vTenths)
        add("mask", commands::bezelMask(layout, h, v, mask == Mask::On));
    if (w.osd && raw(*w.osd) != was.osdLock)
        add("osd", commands::osdMode(osdModeFor(*w.osd)));
    // DDC/CI cannot read the rotation back: what the file says is sent.
    if (w.rotation && (ddc || raw(*w.rotation) != was.rotation))
        add("rotation", commands::osdMode(osdModeFor(*w.rotation)));
    if (w.gpo && (!before.gpio || *w.gpo != before.gpio->outputs))
        add("gpo", commands::gpo(*w.gpo));
    sizes = sizesWanted(w, shown);
    if (sizes)
        steps.push_back({"sizes", std::nullopt});
    // Only on and off are sent; a raw power value is left as it is.
    const bool onOrOff = w.power && (*w.power == Power::On || *w.power == Power::Off);
    if (onOrOff && raw(*w.power) != was.power)
        add("power", commands::power(raw(*w.power)));
    return steps;
}

void order(std::vector<Step>& steps, const Wanted& wanted)
{
    if (steps.empty() || !wanted.power || *wanted.power != Power::On)
        return;
    if (std::string_view(steps.back().field) == "power")
        std::rotate(steps.begin(), steps.end() - 1, steps.end());
}

Plan plan(const SetupFile& f, const Snapshot& before, bool ddc)
{
    Plan p;
    p.refusal = validate(f, before, p.wanted);
    if (p.refusal)
        return p;
    p.steps = diff(p.wanted, before, ddc, p.sizes);
    order(p.steps, p.wanted);
    return p;
}

std::vector<Mismatch> verify(const Wanted& w, const Snapshot& after)
{
    std::vector<Mismatch> missed;
    const auto check = [&missed](const char* key, bool given, const QString& wanted, const QString& got) {
        if (given && wanted != got)
            missed.push_back({QLatin1String(key), wanted, got});
    };
    const SettingState& now = after.setting;
    const DisplayState& shown = after.display;
    check("input", bool(w.input), named(inputNames(), raw(w.input.value_or(Input::Vga))),
          named(inputNames(), now.inputSource));
    check("power", bool(w.power), named(powerNames(), raw(w.power.value_or(Power::Off))),
          named(powerNames(), now.power));
    check("osd", bool(w.osd), named(osdNames(), raw(w.osd.value_or(Osd::Unlocked))), named(osdNames(), now.osdLock));
    check("rotation", w.rotation && after.rotationKnown, named(rotationNames(), raw(w.rotation.value_or(Rotation::Normal))),
          named(rotationNames(), now.rotation));
    check("gpo", bool(w.gpo), bitsText(w.gpo.value_or(0)),
          after.gpio ? bitsText(after.gpio->outputs) : QStringLiteral("no GPO report"));
    check("resolution", bool(w.resolution), named(resolutionLabels(), w.resolution.value_or(0)),
          named(resolutionLabels(), shown.resolution));
    const QStringList layouts = displayModeLabels(after.model);
    check("layout", bool(w.layout), named(layouts, w.layout.value_or(0)), named(layouts, shown.displayMode));
    check("mask", bool(w.mask), named(maskNames(), raw(w.mask.value_or(Mask::Off))), named(maskNames(), shown.maskMode));
    check("h", bool(w.hTenths), tenthsText(w.hTenths.value_or(0)), tenthsText(shown.hTenths));
    check("v", bool(w.vTenths), tenthsText(w.vTenths.value_or(0)), tenthsText(shown.vTenths));
    const std::array<double, 4> got = sizesOf(shown);
    for (size_t i = 0; i < got.size(); ++i) {
        const double wanted = w.sizes[i].value_or(0);
        check(kSizeKeys[i], bool(w.sizes[i]), sizeText(i == 0 ? wanted : widenSize(float(wanted))), sizeText(got[i]));
    }
    return missed;
}

QString mismatchLine(const Mismatch& m)
{
    return QStringLiteral("%1: wanted %2, read back %3").arg(m.field, m.wanted, m.got);
}

QStringList mismatchLines(const std::vector<Mismatch>& mismatches)
{
    QStringList lines;
    for (const Mismatch& m : mismatches)
        lines << mismatchLine(m);
    return lines;
}


}  // namespace lumivex::control
