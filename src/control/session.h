#pragma once
// Work on one controller: its link, its messages and ZEPTA.ini. The link
// opens on first use, and the model is asked once.

#include "control/controller_link.h"
#include "control/quiet_messages.h"
#include "control/snapshot.h"
#include "link/command_table.h"
#include "platform/ini_profile.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace lumivex::control {

struct SessionOptions {
    bool verbose = false;    // the link's notices kept as notes
    bool assumeYes = false;  // a question is answered yes
    QString iniPath;         // ZEPTA.ini: the reply wait, COM names, the sizes
    // The reply wait asked for; none: the environment's, then ZEPTA.ini's.
    std::optional<std::chrono::milliseconds> replyWait;
    // The way through the service to a controller it holds; none, or an
    // empty link given back: the link opens itself.
    std::function<HeldLink(const LinkTarget&)> throughService = {};
    // Hears of every exchange with the device; none: nobody. It outlives the session.
    TransactionObserver* observer = nullptr;
};

class Session {
public:
    // notes: where notices (with verbose) and warnings go.
    Session(const SessionOptions& options, LinkTarget target, QStringList& notes);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void open();
    void send(const Command& command);
    int32_t model();
    // The model, both read-backs and the sizes of ZEPTA.ini.
    Snapshot snapshot();
    DisplayState display();
    SettingState setting(std::optional<GpioBits>& gpio);
    // Keeps the sizes in ZEPTA.ini; fails when they cannot be written.
    void saveSizes(const DisplayState& state);

    ControllerLink& link() { return m_link; }
    QuietMessages& messages() { return m_messages; }
    // The link as it is named to reach it again ("COM1", "ddc:1").
    const QString& linkId() const { return m_target.id; }

private:
    std::optional<std::chrono::milliseconds> replyWait();

    SessionOptions m_options;
    LinkTarget m_target;
    QStringList& m_notes;
    QuietMessages m_messages;
    IniProfile m_ini;
    ControllerLink m_link;
    bool m_opened = false;
    std::optional<int32_t> m_model;
};

}  // namespace lumivex::control
