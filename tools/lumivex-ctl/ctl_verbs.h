#pragma once
// The verbs of lumivex-ctl, once the command line is read: the request,
// and the session each link runs it in.

#include "lumivex-ctl/ctl_device.h"
#include "lumivex-ctl/ctl_link.h"
#include "lumivex-ctl/ctl_messages.h"
#include "platform/ini_profile.h"
#include "lumivex-ctl/setup_plan.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace lumivex::ctl {

struct VerbEntry;

// What a set should read back afterwards; empty when it cannot be read.
using SetCheck = std::optional<Wanted>;

struct Request {
    QString verb;
    QStringList args;           // what follows the verb
    std::vector<LinkTarget> links;
    bool json = false;
    bool yes = false;
    bool verbose = false;
    bool noVerify = false;      // set and the commands: no read-back, no model check
    QString iniPath;            // ZEPTA.ini: the panel's unless --ini
    QByteArray input;           // apply: the set-up file's text, read once for every link
    // set mask on: --h and --v in percent, or --bezel and --viewable in mm.
    struct Mask {
        std::optional<float> h;
        std::optional<float> v;
        std::optional<std::pair<double, double>> bezel;
        std::optional<std::pair<double, double>> viewable;
    } mask;
    std::optional<std::chrono::milliseconds> replyWait;  // --wait MS
};

// What one link's run leaves to be printed, so that links running side by
// side never mix their lines.
struct LinkOutput {
    QString text;                    // for stdout
    std::optional<QJsonObject> json; // with --json, for the verbs that report
    QStringList notes;               // for stderr: warnings, --verbose
};

// One verb's run on one link: the link, the messages and ZEPTA.ini. The
// link opens on first use, and the model is asked once.
class Session {
public:
    Session(const Request& request, std::optional<LinkTarget> target, LinkOutput& output);

    void open();
    void send(const Command& command);
    int32_t model();
    Snapshot snapshot();
    DisplayState display();
    SettingState setting(std::optional<GpioBits>& gpio);
    // Keeps the sizes in ZEPTA.ini; fails when they cannot be written.
    void saveSizes(const DisplayState& state);

    CtlLink& link() { return m_link; }
    CtlMessages& messages() { return m_messages; }
    const Request& request() const { return m_request; }
    LinkOutput& output() { return m_output; }
    // The link as --link named it.
    QString linkId() const { return m_target ? m_target->id : QString(); }
    void print(const QString& text) { m_output.text += text; }

private:
    std::optional<std::chrono::milliseconds> replyWait();

    const Request& m_request;
    std::optional<LinkTarget> m_target;
    LinkOutput& m_output;
    CtlMessages m_messages;
    IniProfile m_ini;
    CtlLink m_link;
    bool m_opened = false;
    std::optional<int32_t> m_model;
};

// What a verb's file argument needs before the links run, done once:
// apply's set-up read (so that standard input and pipes serve every link),
// save's folder made; and a ZEPTA.ini too large to read refused. Throws
// Failure.
void readVerbInput(Request& request);

// Runs the verb on one link (or none, for a verb that needs none); throws
// Failure.
void runVerb(const Request& request, const VerbEntry& verb, const std::optional<LinkTarget>& target,
             LinkOutput& output);

// The verbs, for the table.
void portsVerb(const Request&, Session&);
void modelVerb(const Request&, Session&);
void statusVerb(const Request&, Session&);
void setVerb(const Request&, Session&);
void identifyVerb(const Request&, Session&);
void autoAdjustVerb(const Request&, Session&);
void resetVerb(const Request&, Session&);
void saveVerb(const Request&, Session&);
void applyVerb(const Request&, Session&);

// The settings of set, for the table. Each sends its command and returns
// what the device should read back, or nothing when it cannot report it.
SetCheck setInput(const Request&, const QString& value, Session&);
SetCheck setPower(const Request&, const QString& value, Session&);
SetCheck setOsd(const Request&, const QString& value, Session&);
SetCheck setRotation(const Request&, const QString& value, Session&);
SetCheck setGpoVerb(const Request&, const QString& value, Session&);
SetCheck setResolution(const Request&, const QString& value, Session&);
SetCheck setLayout(const Request&, const QString& value, Session&);
SetCheck setMaskVerb(const Request&, const QString& value, Session&);

}  // namespace lumivex::ctl
