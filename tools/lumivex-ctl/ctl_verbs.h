#pragma once
// The verbs of lumivex-ctl, once the command line is read: the request,
// and the run of a verb on one link, over the control library.

#include "control/controller_link.h"
#include "control/session.h"
#include "control/settings.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace lumivex::ctl {

using control::LinkTarget;
using control::parseLinkTarget;
using control::SetCheck;

struct VerbEntry;

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
    control::MaskRequest mask;
    std::optional<std::chrono::milliseconds> replyWait;  // --wait MS
    bool direct = false;        // --direct: never through lumivexd
    QString inventoryPath;      // the inventory -c and --all read, when given
};

// What one link's run leaves to be printed, so that links running side by
// side never mix their lines.
struct LinkOutput {
    QString text;                    // for stdout
    std::optional<QJsonObject> json; // with --json, for the verbs that report
    QStringList notes;               // for stderr: warnings, --verbose
};

// One verb's run on one link (or none): the request, the controller's
// session and what is left to print.
class VerbRun {
public:
    // throughService: how the link goes through lumivexd, when it does.
    VerbRun(const Request& request, const std::optional<LinkTarget>& target, LinkOutput& output,
            std::function<control::HeldLink(const LinkTarget&)> throughService = {});

    // The controller; a usage failure when the run has no link.
    control::Session& device();
    const Request& request() const { return m_request; }
    LinkOutput& output() { return m_output; }
    // The link as --link named it.
    QString linkId() const { return m_device ? m_device->linkId() : QString(); }
    void print(const QString& text) { m_output.text += text; }

private:
    const Request& m_request;
    LinkOutput& m_output;
    std::optional<control::Session> m_device;
};

// What a verb's file argument needs before the links run, done once:
// apply's set-up read (so that standard input and pipes serve every link),
// save's folder made; and a ZEPTA.ini too large to read refused. Throws
// Failure.
void readVerbInput(Request& request);

// Runs the verb on one link (or none, for a verb that needs none); throws
// Failure.
void runVerb(const Request& request, const VerbEntry& verb, const std::optional<LinkTarget>& target,
             LinkOutput& output, std::function<control::HeldLink(const LinkTarget&)> throughService = {});

// The verbs, for the table.
void portsVerb(const Request&, VerbRun&);
void modelVerb(const Request&, VerbRun&);
void statusVerb(const Request&, VerbRun&);
void setVerb(const Request&, VerbRun&);
void identifyVerb(const Request&, VerbRun&);
void autoAdjustVerb(const Request&, VerbRun&);
void resetVerb(const Request&, VerbRun&);
void saveVerb(const Request&, VerbRun&);
void applyVerb(const Request&, VerbRun&);

// The settings of set, for the table: each reads its value and has the
// control library send it; what it should read back, or nothing.
SetCheck setInput(const Request&, const QString& value, VerbRun&);
SetCheck setPower(const Request&, const QString& value, VerbRun&);
SetCheck setOsd(const Request&, const QString& value, VerbRun&);
SetCheck setRotation(const Request&, const QString& value, VerbRun&);
SetCheck setGpoVerb(const Request&, const QString& value, VerbRun&);
SetCheck setResolution(const Request&, const QString& value, VerbRun&);
SetCheck setLayout(const Request&, const QString& value, VerbRun&);
SetCheck setMaskVerb(const Request&, const QString& value, VerbRun&);

}  // namespace lumivex::ctl
