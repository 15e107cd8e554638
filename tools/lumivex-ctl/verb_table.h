#pragma once
// lumivex-ctl's verbs and options, declared once: the command line is
// parsed, dispatched, and explained in --help and the man page from these
// tables.

#include <QString>

#include <optional>
#include <span>

namespace lumivex::control {
struct Wanted;
}

namespace lumivex::ctl {

struct Request;
class VerbRun;

struct OptionEntry {
    const char* name;     // --name
    char shortName;       // -x, 0 for none
    const char* value;    // the value's placeholder; nullptr for a flag
    const char* help;
    bool repeatable = false;
    bool hidden = false;  // not in --help or the man page
    // The verbs it means something for, space-separated; nullptr for all.
    const char* verbs = nullptr;
};

struct VerbEntry {
    const char* name;
    const char* arguments;  // as in the synopsis, "" for none
    int minArgs;
    int maxArgs;
    bool needsLink;
    const char* help;
    // Runs the verb on one link's session (nullptr for none); throws Failure.
    void (*run)(const Request&, VerbRun&);
};

// The settings of "set": each line of its help.
struct SettingEntry {
    const char* name;
    const char* values;  // what follows the name
    const char* help;
    std::optional<control::Wanted> (*run)(const Request&, const QString& value, VerbRun&);
};

std::span<const OptionEntry> optionTable();
std::span<const VerbEntry> verbTable();
std::span<const SettingEntry> settingTable();

const OptionEntry* findOption(const QString& longName);
const VerbEntry* findVerb(const QString& name);
// Whether the option means something for the verb.
bool optionGoesWith(const OptionEntry& option, const QString& verb);

// The --help text, and the roff source of the man page.
QString helpText();
QString manPage();

}  // namespace lumivex::ctl
