#include "service/mqtt/discovery.h"

#include "control/device_values.h"
#include "control/value_names.h"
#include "panel/display_rules.h"
#include "panel/setting_rules.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace lumivex::service::mqtt {

namespace {

// A Home Assistant entity id takes lower-case letters, digits and '_'.
QString entitySlug(const QString& text)
{
    QString slug;
    for (const QChar c : text.toLower())
        slug += (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c : QLatin1Char('_');
    return slug;
}

struct Entity {
    const char* component;
    QString object;
    QString name;
    QJsonObject keys;  // what this entity adds to the common ones
};

QString setTemplate(const QString& key, bool quoted)
{
    return quoted ? QStringLiteral("{\"%1\": \"{{ value }}\"}").arg(key) : QStringLiteral("{\"%1\": {{ value }}}").arg(key);
}

Entity select(const QString& object, const QString& name, const QString& state, const QStringList& options)
{
    return {"select", object, name,
            QJsonObject{{"value_template", state},
                        {"options", QJsonArray::fromStringList(options)},
                        {"command_template", setTemplate(object, true)}}};
}

Entity onOff(const char* component, const QString& object, const QString& name, const QString& state)
{
    QJsonObject keys{{"value_template", state}};
    if (QLatin1String(component) == QLatin1String("switch")) {
        keys.insert("state_on", "on");
        keys.insert("state_off", "off");
        keys.insert("payload_on", "on");
        keys.insert("payload_off", "off");
        keys.insert("command_template", setTemplate(object, true));
    } else {
        keys.insert("payload_on", "on");
        keys.insert("payload_off", "off");
    }
    return {component, object, name, keys};
}

// GPIO-4 is the first of the status's four digits.
QString bitState(const char* field, int number)
{
    return QStringLiteral("{{ None if value_json.%1 is none else ('on' if value_json.%1[%2] == '1' else 'off') }}")
        .arg(QLatin1String(field))
        .arg(4 - number);
}

Entity maskSide(const QString& object, const QString& name, const char* field)
{
    return {"number", object, name,
            QJsonObject{{"value_template", QStringLiteral("{{ value_json.mask.%1 / 10 }}").arg(QLatin1String(field))},
                        {"min", 0},
                        {"max", 10},
                        {"step", 0.1},
                        {"unit_of_measurement", "%"},
                        {"command_template", setTemplate(object, false)}}};
}

Entity button(const QString& object, const QString& name)
{
    return {"button", object, name, QJsonObject{{"command_template", QStringLiteral("{\"%1\": true}").arg(object)}}};
}

std::vector<Entity> entities(const DiscoveryContext& c)
{
    const ModelFeatures features = modelFeatures(c.model);
    const QStringList inputs = features.analogInputs ? control::inputNames()
                                                     : QStringList{control::inputNames()[int(control::Input::Dvi)]};
    std::vector<Entity> list{
        select(QStringLiteral("input"), QStringLiteral("Input"), QStringLiteral("{{ value_json.input }}"), inputs),
        select(QStringLiteral("resolution"), QStringLiteral("Resolution"),
               QStringLiteral("{{ value_json.resolution.label or None }}"), resolutionLabels()),
        select(QStringLiteral("layout"), QStringLiteral("Layout"), QStringLiteral("{{ value_json.layout.label or None }}"),
               displayModeLabels(c.model)),
        select(QStringLiteral("osd"), QStringLiteral("OSD"), QStringLiteral("{{ value_json.osd }}"), control::osdNames()),
    };
    // DDC/CI reads the OSD lock at the code the rotation is set with, never the rotation.
    if (!c.ddc)
        list.push_back(select(QStringLiteral("rotation"), QStringLiteral("Rotation"),
                              QStringLiteral("{{ value_json.rotation or None }}"), control::rotationNames()));
    list.push_back(onOff("switch", QStringLiteral("power"), QStringLiteral("Power"), QStringLiteral("{{ value_json.power }}")));
    list.push_back(onOff("switch", QStringLiteral("mask"), QStringLiteral("Mask"),
                         QStringLiteral("{{ 'on' if value_json.mask.on else 'off' }}")));
    list.push_back(maskSide(QStringLiteral("mask_h"), QStringLiteral("Mask H"), "hTenths"));
    list.push_back(maskSide(QStringLiteral("mask_v"), QStringLiteral("Mask V"), "vTenths"));
    if (features.gpio) {
        for (int n = 1; n <= 4; ++n)
            list.push_back(onOff("switch", QStringLiteral("gpo%1").arg(n), QStringLiteral("GPO %1").arg(n), bitState("gpo", n)));
        for (int n = 1; n <= 4; ++n)
            list.push_back(onOff("binary_sensor", QStringLiteral("gpi%1").arg(n), QStringLiteral("GPI %1").arg(n), bitState("gpi", n)));
    }
    list.push_back(button(QStringLiteral("identify"), QStringLiteral("Identify")));
    if (features.autoAdjust)
        list.push_back(button(QStringLiteral("auto_adjust"), QStringLiteral("Auto adjust")));
    Entity reset = button(QStringLiteral("factory_reset"), QStringLiteral("Factory reset"));
    reset.keys.insert("enabled_by_default", false);
    list.push_back(reset);
    list.push_back({"sensor", QStringLiteral("link"), QStringLiteral("Link"),
                    QJsonObject{{"value_template", "{{ value_json.link }}"}, {"entity_category", "diagnostic"}}});
    list.push_back({"sensor", QStringLiteral("readback"), QStringLiteral("Last read-back"),
                    QJsonObject{{"value_template", "{{ value_json.readback or None }}"},
                                {"device_class", "timestamp"},
                                {"entity_category", "diagnostic"}}});
    return list;
}

QString configTopic(const DiscoveryContext& c, const QString& id, const Entity& e)
{
    return QStringLiteral("%1/%2/%3/%4/config").arg(c.prefix, QLatin1String(e.component), id, e.object);
}

}  // namespace

std::vector<DiscoveryMessage> discoveryMessages(const DiscoveryContext& c)
{
    std::vector<DiscoveryMessage> messages;
    if (c.model < 0 || c.model >= control::modelNames().size())
        return messages;
    const QString id = QStringLiteral("lumivex_%1_%2").arg(c.topics.node, c.controller);
    // The link is the device's way in, the nearest the device block has to
    // it being hw_version (configuration_url must be a web address).
    const QJsonObject device{{"identifiers", QJsonArray{id}},
                             {"name", c.controller},
                             {"manufacturer", "ZEPTA"},
                             {"model", control::modelNames()[c.model]},
                             {"hw_version", c.link}};
    QJsonObject origin{{"name", "lumivexd"},
                       {"sw_version", c.swVersion.isEmpty() ? QStringLiteral(LUMIVEX_VERSION) : c.swVersion}};
    if (!c.supportUrl.isEmpty())
        origin.insert("support_url", c.supportUrl);
    const QJsonArray availability{QJsonObject{{"topic", c.topics.bridgeState()}},
                                  QJsonObject{{"topic", c.topics.availability(c.controller)}}};
    for (const Entity& e : entities(c)) {
        QJsonObject config = e.keys;
        const QString component = QLatin1String(e.component);
        config.insert("unique_id", id + QLatin1Char('_') + e.object);
        config.insert("default_entity_id", component + QLatin1Char('.') + entitySlug(id + QLatin1Char('_') + e.object));
        config.insert("name", e.name);
        config.insert("availability", availability);
        config.insert("availability_mode", "all");
        config.insert("device", device);
        config.insert("origin", origin);
        if (component != QLatin1String("button"))
            config.insert("state_topic", c.topics.state(c.controller));
        if (config.contains(QLatin1String("command_template")))
            config.insert("command_topic", c.topics.set(c.controller));
        messages.push_back({configTopic(c, id, e), QJsonDocument(config).toJson(QJsonDocument::Compact), c.retain});
    }
    // An entity another model or link has is removed: the controller may
    // have answered as the other model before, or been announced over the
    // other link. An empty retained config also clears a retained one.
    QStringList announced;
    for (const DiscoveryMessage& m : messages)
        announced << m.topic;
    for (int32_t model = 0; model < control::modelNames().size(); ++model)
        for (const bool ddc : {false, true}) {
            DiscoveryContext other = c;
            other.model = model;
            other.ddc = ddc;
            for (const Entity& e : entities(other)) {
                const QString topic = configTopic(c, id, e);
                if (!announced.contains(topic)) {
                    announced << topic;
                    messages.push_back({topic, QByteArray(), true});
                }
            }
        }
    return messages;
}

QByteArray statePayload(const QJsonObject& status, const QString& link, qint64 readbackMs)
{
    QJsonObject state = status;
    state.insert("link", link);
    state.insert("readback", readbackMs > 0 ? QJsonValue(QDateTime::fromMSecsSinceEpoch(readbackMs, Qt::UTC)
                                                             .toString(Qt::ISODateWithMs))
                                            : QJsonValue());
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

}  // namespace lumivex::service::mqtt
