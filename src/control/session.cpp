#include "control/session.h"

#include "control/outcome.h"
#include "panel/reply_wait_setting.h"

#include <mutex>

namespace lumivex::control {

namespace {

// ZEPTA.ini is one file for every link of a run.
std::mutex& iniWrites()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

Session::Session(const SessionOptions& options, LinkTarget target, QStringList& notes)
    : m_options(options)
    , m_target(std::move(target))
    , m_notes(notes)
    , m_messages(options.verbose, notes)
    , m_ini(options.iniPath.toStdString())
{
    m_messages.setAssumeYes(options.assumeYes);
    m_link.setObserver(options.observer);
}

void Session::open()
{
    if (m_opened)
        return;
    m_link.open(m_target, m_messages, m_options.throughService ? m_options.throughService(m_target) : HeldLink{});
    m_link.state().setReplyWait(replyWait());
    // A line can lose a byte: a read-back that took no reply is asked once more.
    m_link.state().setReadBackTries(2);
    m_opened = true;
}

void Session::send(const Command& command)
{
    open();
    m_link.state().send(command);
}

int32_t Session::model()
{
    open();
    if (!m_model)
        m_model = readModel(m_link, m_messages);
    return *m_model;
}

Snapshot Session::snapshot()
{
    Snapshot s = readSnapshot(m_link, m_messages, model());
    std::lock_guard lock(iniWrites());
    loadSizes(m_ini, s.display);
    return s;
}

DisplayState Session::display()
{
    open();
    DisplayState state;
    requireRead(readBackDisplay(m_link.state(), m_messages, state), m_link, m_messages);
    return state;
}

SettingState Session::setting(std::optional<GpioBits>& gpio)
{
    open();
    SettingState state;
    // Which model it is decides whether the GPIO read counts.
    const bool gpioShown = modelFeatures(model()).gpio;
    requireRead(readBackSettings(m_link.state(), m_messages, state, gpio), m_link, m_messages,
                gpioShown ? -1 : protocol::kVcpGpio);
    if (!gpioShown)
        gpio.reset();
    return state;
}

void Session::saveSizes(const DisplayState& state)
{
    std::lock_guard lock(iniWrites());
    if (!lumivex::saveSizes(m_ini, state, SizeDigits::Exact)) {
        const std::string tooLarge = m_ini.refusal();
        fail(kExitUsage, tooLarge.empty() ? QStringLiteral("%1: the sizes cannot be written").arg(m_options.iniPath)
                                          : QString::fromStdString(tooLarge));
    }
}

// The wait asked for over the environment over ZEPTA.ini; a refused setting
// is told as a warning and the next one used. None set: the link's own default.
std::optional<std::chrono::milliseconds> Session::replyWait()
{
    if (m_options.replyWait)
        return *m_options.replyWait;
    const ChosenReplyWait chosen = configuredReplyWait(m_ini);
    for (const std::string& problem : chosen.problems)
        m_notes << QStringLiteral("warning: %1").arg(QString::fromStdString(problem));
    return chosen.wait;
}

}  // namespace lumivex::control
