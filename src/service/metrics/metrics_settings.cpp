#include "service/metrics/metrics_settings.h"

namespace lumivex::service {

QString parseListen(const QString& text, MetricsSettings& settings)
{
    if (text.isEmpty()) {
        settings.serve = false;
        return {};
    }
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || colon < text.lastIndexOf(QLatin1Char(']')) || colon == text.size() - 1)
        return QStringLiteral("Listen takes ADDRESS:PORT (%1 by default), not '%2': no port").arg(QLatin1String(kDefaultMetricsListen), text);
    QString host = text.left(colon);
    const QString portText = text.mid(colon + 1);
    bool number = false;
    const uint port = portText.toUInt(&number);
    if (!number || port > 65535)
        return QStringLiteral("Listen: the port is a number 0..65535, not '%1'").arg(portText);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host) || (address.protocol() == QAbstractSocket::IPv6Protocol) != bracketed)
        return QStringLiteral("Listen: '%1' is not an IPv4 address, localhost or an IPv6 address in brackets").arg(text.left(colon));
    settings.serve = true;
    settings.address = address;
    settings.port = quint16(port);
    return {};
}

QString takeMetricsKey(const QString& key, const QString& value, MetricsSettings& settings)
{
    const auto is = [&key](const char* name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("Listen"))
        return parseListen(value, settings);
    if (is("Textfile")) {
        if (!value.isEmpty() && !value.startsWith(QLatin1Char('/')))
            return QStringLiteral("Textfile takes an absolute path, not '%1'").arg(value);
        settings.textfile = value;
        return {};
    }
    return QStringLiteral("[Metrics] takes Listen and Textfile, not '%1'").arg(key);
}

QString listenText(const MetricsSettings& settings, quint16 port)
{
    const QString host = settings.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(settings.address.toString())
                             : settings.address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

}  // namespace lumivex::service
