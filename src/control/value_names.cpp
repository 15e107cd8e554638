#include "control/value_names.h"

namespace lumivex::control {

const QStringList& inputNames()
{
    static const QStringList names{"vga", "component", "dvi"};
    return names;
}

const QStringList& powerNames()
{
    static const QStringList names{"off", "on"};
    return names;
}

const QStringList& osdNames()
{
    static const QStringList names{"unlock", "lock"};
    return names;
}

const QStringList& rotationNames()
{
    static const QStringList names{"normal", "rotated"};
    return names;
}

const QStringList& maskNames()
{
    static const QStringList names{"off", "on"};
    return names;
}

const QStringList& modelNames()
{
    static const QStringList names{"K410", "K420"};
    return names;
}

std::optional<int> pickName(const QStringList& names, const QString& text)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return std::nullopt;
}

std::optional<int> pickLabel(const QStringList& labels, const QString& text)
{
    if (const auto named = pickName(labels, text))
        return named;
    bool number = false;
    const int index = text.trimmed().toInt(&number);
    if (number && index >= 0 && index < labels.size())
        return index;
    return std::nullopt;
}

QString bitsText(uint8_t bits)
{
    QString text;
    for (int bit = 3; bit >= 0; --bit)
        text += (bits >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

std::optional<uint8_t> parseBits(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() != 4)
        return std::nullopt;
    uint8_t bits = 0;
    for (QChar c : t) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            return std::nullopt;
        bits = uint8_t((bits << 1) | (c == QLatin1Char('1') ? 1 : 0));
    }
    return bits;
}

}  // namespace lumivex::control
