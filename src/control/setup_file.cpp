#include "control/setup_file.h"

#include "control/snapshot.h"
#include "control/outcome.h"
#include "platform/ini_profile.h"

#include <QFile>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <functional>
#include <map>

namespace lumivex::control {

QString fileLine(const QString& path, int line, const QString& text)
{
    return QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(text);
}

namespace {

// A percentage of the mask in tenths: what a device can hold, which is
// more than the panel's Calculate allows, so that a saved set-up goes back.
std::optional<int32_t> maskTenths(const QString& text)
{
    bool number = false;
    const double percent = text.toDouble(&number);
    if (!number || !(percent >= 0 && percent * 10 <= kMaxStoredTenths + 0.05))
        return std::nullopt;
    return int32_t(std::lround(percent * 10));
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

// A name, or the raw number 0..255 a device reported.
template <typename E>
Key named(Field<E> SetupFile::*field, const QStringList& names)
{
    return {[field, &names](SetupFile& f, const QString& v, int line, QString& why) {
        why = names.join(QStringLiteral(" or "));
        std::optional<int> index = pickName(names, v);
        bool number = false;
        const int value = v.trimmed().toInt(&number);
        if (!index && number && value >= 0 && value <= 255)
            index = value;
        return store(f.*field, index ? std::optional<E>(E(*index)) : std::nullopt, line);
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
        why = QStringLiteral("a percentage from 0.0 to %1").arg(kMaxStoredTenths / 10.0, 0, 'f', 1);
        return store(f.*field, maskTenths(v), line);
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
         {{"model", {[](SetupFile& f, const QString& v, int line, QString& why) {
               why = modelNames().join(QStringLiteral(" or "));
               return store(f.model, pickName(modelNames(), v), line);
           }}},
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

QString setupFileName(const QString& path)
{
    return path == QLatin1String("-") ? QStringLiteral("stdin") : path;
}

namespace {

// A pipe or socket this process already holds that the path names: "-",
// or /dev/stdin and /dev/fd/N (process substitution) when they are one.
// Opening such a pipe again by its name would wait for a writer that may
// have finished; a file is opened again, from its start, as the kernel does.
std::optional<int> heldDescriptor(const QString& path)
{
    if (path == QLatin1String("-"))
        return STDIN_FILENO;
    std::optional<int> fd;
    if (path == QLatin1String("/dev/stdin"))
        fd = STDIN_FILENO;
    for (const QLatin1String prefix : {QLatin1String("/dev/fd/"), QLatin1String("/proc/self/fd/")}) {
        bool number = false;
        const int n = path.startsWith(prefix) ? path.mid(prefix.size()).toInt(&number) : -1;
        if (number && n >= 0)
            fd = n;
    }
    struct stat held {};
    if (!fd || ::fstat(*fd, &held) != 0 || !(S_ISFIFO(held.st_mode) || S_ISSOCK(held.st_mode)))
        return std::nullopt;
    return fd;
}

[[noreturn]] void refuseTooLarge(const QString& path, std::optional<std::uint64_t> size)
{
    fail(kExitUsage, QString::fromStdString(tooLargeLine(setupFileName(path).toStdString(), size)));
}

}  // namespace

QByteArray readInputText(const QString& path)
{
    const std::optional<int> held = heldDescriptor(path);
    // Plain POSIX reads: pipes must be read as they come, not looked up as files.
    const int fd = held ? *held : ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(kExitUsage, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    // What was opened here is closed here, failure or not; a held one stays.
    const struct Closer {
        int fd;
        ~Closer()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{held ? -1 : fd};
    // A file says its size before it is read; a pipe or a file that grows
    // is held to the limit by reading no more than one byte past it.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        const std::uint64_t left = std::uint64_t(st.st_size) - std::uint64_t(at > 0 && at <= st.st_size ? at : 0);
        if (overSettingsLimit(left))
            refuseTooLarge(path, left);
    }
    QByteArray text;
    char chunk[4096];
    while (!overSettingsLimit(std::uint64_t(text.size()))) {
        const size_t wanted = std::min(sizeof chunk, size_t(kSettingsFileLimit + 1 - std::uint64_t(text.size())));
        const ssize_t got = ::read(fd, chunk, wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            fail(kExitUsage, QStringLiteral("%1: %2").arg(setupFileName(path), QString::fromLocal8Bit(std::strerror(error))));
        }
        if (got == 0)
            return text;
        text.append(chunk, got);
    }
    refuseTooLarge(path, std::nullopt);
}

SetupFile readSetupFile(const QString& path)
{
    return parseSetupFile(setupFileName(path), readInputText(path));
}

SetupFile parseSetupFile(const QString& path, const QByteArray& text)
{
    SetupFile setup;
    setup.path = path;
    const Section* section = nullptr;
    QTextStream in(text);
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

}  // namespace lumivex::control
