#pragma once
// The verbs of lumivex-ctl, once the command line is read.

#include "ctl_link.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace lumivex::ctl {

struct Request {
    QString verb;
    QStringList args;           // what follows the verb
    std::optional<LinkTarget> link;
    bool json = false;
    bool yes = false;
    bool verbose = false;
    QString iniPath;            // ZEPTA.ini: the panel's unless --ini
    std::optional<QString> h;   // set mask on --h --v
    std::optional<QString> v;
    std::optional<QString> bezel;     // --bezel W,H
    std::optional<QString> viewable;  // --viewable W,H
    std::optional<std::chrono::milliseconds> replyWait;  // --wait MS
};

// Runs the verb; throws Failure. Output goes to stdout.
void runVerb(const Request& request);

}  // namespace lumivex::ctl
