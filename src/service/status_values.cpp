#include "service/status_values.h"

#include <QJsonDocument>

#include <cmath>

namespace lumivex::service {

namespace {

QVariant busValue(const QJsonValue& value, bool wholeNumbers)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (!it.value().isNull() && !it.value().isUndefined())
                map.insert(it.key(), busValue(it.value(), wholeNumbers && it.key() != QLatin1String("sizes")));
        return map;
    }
    case QJsonValue::Double: {
        const double d = value.toDouble();
        if (wholeNumbers && std::trunc(d) == d && std::abs(d) < 2147483648.0)
            return int(d);
        return d;
    }
    default:
        return value.toVariant();
    }
}

}  // namespace

QVariantMap statusMap(const QJsonObject& status)
{
    QJsonObject copy = status;
    copy.remove(QStringLiteral("link"));
    copy.remove(QStringLiteral("exit"));
    return busValue(copy, true).toMap();
}

QStringList changedKeys(const std::optional<QVariantMap>& before, const QVariantMap& after)
{
    QStringList keys;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!before || !before->contains(it.key()) || before->value(it.key()) != it.value())
            keys << it.key();
    return keys;
}

QByteArray stateFileText(const KeptState& state)
{
    QJsonObject object = state.status;
    object.remove(QStringLiteral("link"));
    object.insert(QStringLiteral("time"), double(state.time));
    object.insert(QStringLiteral("available"), state.available);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<KeptState> parseStateFile(const QByteArray& text, QString& why)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        why = QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    QJsonObject object = document.object();
    const QJsonValue time = object.take(QStringLiteral("time"));
    const QJsonValue available = object.take(QStringLiteral("available"));
    const QJsonValue model = object.value(QStringLiteral("model"));
    if (!document.isObject() || !time.isDouble() || time.toDouble() < 0 || !available.isBool()
        || !(model.isNull() || model.isString()) || !object.value(QStringLiteral("power")).isString()) {
        why = QStringLiteral("not a controller's kept state");
        return std::nullopt;
    }
    return KeptState{object, qint64(time.toDouble()), available.toBool()};
}

}  // namespace lumivex::service
