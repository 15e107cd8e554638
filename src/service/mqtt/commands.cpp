#include "service/mqtt/commands.h"

#include "control/device_values.h"
#include "control/outcome.h"
#include "control/value_names.h"
#include "control/set_values.h"
#include "panel/setting_rules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <map>

namespace lumivex::service::mqtt {

using control::Failure;
using control::MaskSetting;
using control::parseGpoValue;
using control::parseLayoutValue;
using control::parseMaskValue;
using control::parseResolutionValue;
using control::pickSetName;
using control::settingNames;

namespace {

// A refusal of the command: its text goes back on the error topic.
struct Refusal {
    QString why;
};

[[noreturn]] void refuse(const QString& why)
{
    throw Refusal{why};
}

QString shown(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.isNull() ? QStringLiteral("null") : value.isArray() ? QStringLiteral("an array") : QStringLiteral("an object");
}

enum class Accepts { Text, TextOrNumber, TextOrBool };

// The value as the text Set takes: a string, or a number or true/false where
// the setting is one.
QString textOf(const QString& key, const QJsonValue& value, Accepts accepts)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble() && accepts == Accepts::TextOrNumber) {
        const double n = value.toDouble();
        if (n == std::floor(n) && std::fabs(n) < 1e6)
            return QString::number(qint64(n));
        refuse(QStringLiteral("%1 takes a whole number, not %2").arg(key, shown(value)));
    }
    if (value.isBool() && accepts == Accepts::TextOrBool)
        return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    const QString kinds = accepts == Accepts::TextOrNumber ? QStringLiteral("a string or a number")
                          : accepts == Accepts::TextOrBool ? QStringLiteral("a string or true/false")
                                                           : QStringLiteral("a string");
    refuse(QStringLiteral("%1 takes %2, not %3").arg(key, kinds, shown(value)));
}

// Runs one of Set's readers and keeps its line as the refusal.
template <typename F>
auto bySet(F read)
{
    try {
        return read();
    } catch (const Failure& failure) {
        refuse(failure.line);
    }
}

void requireFeature(bool offered, int32_t model, const QString& what)
{
    if (!offered)
        refuse(QStringLiteral("the %1 has no %2").arg(control::modelNames().value(model), what));
}

int32_t percentTenths(const QString& key, const QJsonValue& value)
{
    bool number = value.isDouble();
    const double percent = value.isString() ? value.toString().trimmed().toDouble(&number) : value.toDouble();
    const double tenths = std::round(percent * 10);
    if (!number || !std::isfinite(percent) || percent < 0 || percent > 10 || std::fabs(percent * 10 - tenths) > 1e-6)
        refuse(QStringLiteral("%1 takes a percentage from 0.0 to 10.0 in steps of 0.1, not %2").arg(key, shown(value)));
    return int32_t(tenths);
}

void pressed(const QString& key, const QJsonValue& value)
{
    if (value == QJsonValue(true) || (value.isString() && value.toString().trimmed().compare(QLatin1String("press"), Qt::CaseInsensitive) == 0))
        return;
    refuse(QStringLiteral("%1 takes true or \"press\", not %2").arg(key, shown(value)));
}

std::vector<WriteRequest> readCommand(const QJsonObject& object, const CommandContext& context)
{
    if (object.isEmpty())
        refuse(QStringLiteral("the command sets nothing: give one or more of %1").arg(commandKeys().join(QStringLiteral(", "))));
    std::map<QString, QJsonValue> given;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key().toLower();
        if (!commandKeys().contains(key))
            refuse(QStringLiteral("/set takes %1, not '%2'").arg(commandKeys().join(QStringLiteral(", ")), it.key()));
        if (given.count(key))
            refuse(QStringLiteral("%1 is given twice").arg(key));
        given.emplace(key, it.value());
    }
    const auto has = [&](const char* key) { return given.count(QString::fromLatin1(key)) > 0; };
    const auto at = [&](const char* key) { return given.at(QString::fromLatin1(key)); };
    const int32_t model = context.model;
    const ModelFeatures features = modelFeatures(model);

    std::map<WriteKey, WriteRequest> writes;
    const auto single = [&](WriteKey key, const QString& value) { writes[key] = WriteRequest{key, value, {}, {}}; };
    const auto named = [&](const char* key, const QStringList& names, Accepts accepts) {
        const QString text = textOf(QLatin1String(key), at(key), accepts);
        return names[bySet([&] { return pickSetName(key, names, text); })];
    };
    if (has("input")) {
        const QString input = named("input", control::inputNames(), Accepts::Text);
        if (input != control::inputNames()[int(control::Input::Dvi)])
            requireFeature(features.analogInputs, model, input);
        single(WriteKey::Input, input);
    }
    if (has("power"))
        single(WriteKey::Power, named("power", control::powerNames(), Accepts::TextOrBool));
    if (has("osd"))
        single(WriteKey::Osd, named("osd", control::osdNames(), Accepts::Text));
    if (has("rotation"))
        single(WriteKey::Rotation, named("rotation", control::rotationNames(), Accepts::Text));
    if (has("resolution")) {
        const QString text = textOf(QStringLiteral("resolution"), at("resolution"), Accepts::TextOrNumber);
        single(WriteKey::Resolution, QString::number(bySet([&] { return parseResolutionValue(text); })));
    }
    if (has("layout")) {
        const QString text = textOf(QStringLiteral("layout"), at("layout"), Accepts::TextOrNumber);
        single(WriteKey::Layout, QString::number(bySet([&] { return parseLayoutValue(text, model); })));
    }

    GpoFields gpo;
    if (has("gpo")) {
        const QString text = textOf(QStringLiteral("gpo"), at("gpo"), Accepts::Text);
        const control::GpoChange change = bySet([&] { return parseGpoValue(text); });
        if (change.bits)
            gpo = {*change.bits, 0x0F};
        else
            gpo = {uint8_t(change.on ? 1u << (change.output - 1) : 0u), uint8_t(1u << (change.output - 1))};
    }
    for (int output = 1; output <= 4; ++output) {
        const QByteArray key = "gpo" + QByteArray::number(output);
        if (!has(key.constData()))
            continue;
        const bool on = named(key.constData(), control::powerNames(), Accepts::TextOrBool) == control::powerNames()[1];
        const auto bit = uint8_t(1u << (output - 1));
        gpo.bits = on ? uint8_t(gpo.bits | bit) : uint8_t(gpo.bits & ~bit);
        gpo.given |= bit;
    }
    if (gpo.given) {
        requireFeature(features.gpio, model, QStringLiteral("GPIO"));
        writes[WriteKey::Gpo] = WriteRequest{WriteKey::Gpo, {}, gpo, {}};
    }

    MaskFields mask;
    if (has("mask")) {
        const QString text = textOf(QStringLiteral("mask"), at("mask"), Accepts::TextOrBool);
        const MaskSetting setting = bySet([&] { return parseMaskValue(text); });
        const control::MaskRequest& r = setting.request;
        mask.on = setting.mask == control::Mask::On;
        if (r.bezel)
            mask.sizes = text.simplified();
        else if (r.h || r.v) {
            // As Set: a side not given is none.
            mask.hTenths = int32_t(std::lround(double(r.h.value_or(0)) * 10));
            mask.vTenths = int32_t(std::lround(double(r.v.value_or(0)) * 10));
        }
    }
    if ((has("mask_h") || has("mask_v")) && !mask.sizes.isEmpty())
        refuse(QStringLiteral("a mask from --bezel and --viewable takes no mask_h or mask_v"));
    if (has("mask_h"))
        mask.hTenths = percentTenths(QStringLiteral("mask_h"), at("mask_h"));
    if (has("mask_v"))
        mask.vTenths = percentTenths(QStringLiteral("mask_v"), at("mask_v"));
    if (mask.on || mask.hTenths || mask.vTenths)
        writes[WriteKey::Mask] = WriteRequest{WriteKey::Mask, {}, {}, mask};

    if (has("identify")) {
        pressed(QStringLiteral("identify"), at("identify"));
        single(WriteKey::Identify, {});
    }
    if (has("auto_adjust")) {
        pressed(QStringLiteral("auto_adjust"), at("auto_adjust"));
        requireFeature(features.autoAdjust, model, QStringLiteral("auto adjust"));
        single(WriteKey::AutoAdjust, {});
    }
    if (has("factory_reset")) {
        pressed(QStringLiteral("factory_reset"), at("factory_reset"));
        single(WriteKey::FactoryReset, {});
    }

    // A wall switched on goes on first; one switched off goes off last.
    std::vector<WriteRequest> ordered;
    const auto power = writes.find(WriteKey::Power);
    const bool powerOff = power != writes.end() && power->second.value == control::powerNames()[0];
    for (const auto& [key, write] : writes)
        if (key != WriteKey::Power || !powerOff)
            ordered.push_back(write);
    if (powerOff)
        ordered.push_back(power->second);
    return ordered;
}

}  // namespace

QString writeKeyName(WriteKey key)
{
    switch (key) {
    case WriteKey::Power:
        return QStringLiteral("power");
    case WriteKey::Input:
        return QStringLiteral("input");
    case WriteKey::Osd:
        return QStringLiteral("osd");
    case WriteKey::Rotation:
        return QStringLiteral("rotation");
    case WriteKey::Gpo:
        return QStringLiteral("gpo");
    case WriteKey::Resolution:
        return QStringLiteral("resolution");
    case WriteKey::Layout:
        return QStringLiteral("layout");
    case WriteKey::Mask:
        return QStringLiteral("mask");
    case WriteKey::Identify:
        return QStringLiteral("identify");
    case WriteKey::AutoAdjust:
        return QStringLiteral("auto_adjust");
    case WriteKey::FactoryReset:
        return QStringLiteral("factory_reset");
    }
    return {};
}

const QStringList& commandKeys()
{
    static const QStringList keys = [] {
        QStringList k = settingNames();
        k << QStringLiteral("gpo1") << QStringLiteral("gpo2") << QStringLiteral("gpo3") << QStringLiteral("gpo4")
          << QStringLiteral("mask_h") << QStringLiteral("mask_v") << QStringLiteral("identify")
          << QStringLiteral("auto_adjust") << QStringLiteral("factory_reset");
        return k;
    }();
    return keys;
}

ParsedCommand parseCommand(const QByteArray& payload, const CommandContext& context)
{
    ParsedCommand parsed;
    try {
        if (payload.size() > kMaxCommandBytes)
            refuse(QStringLiteral("a command is at most %1 bytes, not %2").arg(kMaxCommandBytes).arg(payload.size()));
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
        if (error.error != QJsonParseError::NoError)
            refuse(QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
        if (!document.isObject())
            refuse(QStringLiteral("a command is a JSON object of settings, such as {\"power\": \"on\"}"));
        parsed.writes = readCommand(document.object(), context);
    } catch (const Refusal& refusal) {
        parsed.writes.clear();
        parsed.error = refusal.why;
    }
    return parsed;
}

QByteArray errorPayload(const QString& error, const QByteArray& command)
{
    const QJsonObject object{{"error", error}, {"command", QString::fromUtf8(command)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace lumivex::service::mqtt
