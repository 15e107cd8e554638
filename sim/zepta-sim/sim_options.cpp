#include "sim/zepta-sim/sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace lumivex::sim {

const char* const kSimUsage =
    "usage: zepta-sim [--model K410|K420] [--gpi BITS] [--log FILE]\n"
    "                 [--no-reply] [--noise N] [--delay MS] [--persist]\n"
    "                 [--garble truncate|length|high|checksum] [--drop-first]\n"
    "                 [--forget-writes]\n"
    "       zepta-sim -h|--help\n"
    "Serves a simulated ZEPTA controller on a pseudo-terminal and prints its\n"
    "path. Ends on SIGTERM or SIGINT, and when the panel closes the port after\n"
    "sending to it (unless --persist).\n";

namespace {

bool parseNumber(const std::string& text, long minimum, long maximum, long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < minimum || value > maximum)
        return false;
    out = value;
    return true;
}

using Setter = std::function<bool(SimOptions&, const std::string&)>;

struct ValueOption {
    Setter set;
    const char* expects;
};

const std::map<std::string, ValueOption>& valueOptions()
{
    static const std::map<std::string, ValueOption> table{
        {"--model", {[](SimOptions& o, const std::string& v) {
                         const auto model = device::parseModel(v);
                         if (model)
                             o.model = *model;
                         return model.has_value();
                     }, "K410 or K420"}},
        {"--gpi", {[](SimOptions& o, const std::string& v) {
                       long n = 0;
                       const bool ok = parseNumber(v, 0, 15, n);
                       o.gpiBits = static_cast<uint8_t>(n);
                       return ok;
                   }, "a number 0..15 (GPI-1 is bit 0)"}},
        {"--log", {[](SimOptions& o, const std::string& v) {
                       o.logPath = v;
                       return !v.empty();
                   }, "a file name"}},
        {"--noise", {[](SimOptions& o, const std::string& v) {
                         long n = 0;
                         const bool ok = parseNumber(v, 0, 4096, n);
                         o.noiseBytes = static_cast<int>(n);
                         return ok;
                     }, "a count 0..4096"}},
        {"--garble", {[](SimOptions& o, const std::string& v) {
                          static const std::map<std::string, Garble> kinds{
                              {"truncate", Garble::Truncate}, {"length", Garble::Length}, {"high", Garble::High},
                              {"checksum", Garble::Checksum}};
                          const auto kind = kinds.find(v);
                          if (kind != kinds.end())
                              o.garble = kind->second;
                          return kind != kinds.end();
                      }, "truncate, length or high"}},
        {"--delay", {[](SimOptions& o, const std::string& v) {
                         long n = 0;
                         const bool ok = parseNumber(v, 0, 60000, n);
                         o.delayMs = static_cast<int>(n);
                         return ok;
                     }, "milliseconds 0..60000"}},
    };
    return table;
}

const std::map<std::string, bool SimOptions::*>& flagOptions()
{
    static const std::map<std::string, bool SimOptions::*> table{
        {"--no-reply", &SimOptions::noReply},
        {"--persist", &SimOptions::persist},
        {"--drop-first", &SimOptions::dropFirst},
        {"--forget-writes", &SimOptions::forgetWrites},
        {"--help", &SimOptions::help},
        {"-h", &SimOptions::help},
    };
    return table;
}

}  // namespace

std::vector<std::string> simOptionNames()
{
    std::vector<std::string> names;
    for (const auto& [name, value] : valueOptions())
        names.push_back(name);
    for (const auto& [name, flag] : flagOptions())
        names.push_back(name);
    return names;
}

ParsedOptions parseSimOptions(const std::vector<std::string>& args)
{
    SimOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (const auto flag = flagOptions().find(name); flag != flagOptions().end() && !inlineValue) {
            options.*(flag->second) = true;
            continue;
        }
        const auto option = valueOptions().find(name);
        if (option == valueOptions().end())
            return {std::nullopt, "unknown option " + args[i]};
        if (!inlineValue && i + 1 >= args.size())
            return {std::nullopt, name + " needs " + option->second.expects};
        const std::string value = inlineValue ? *inlineValue : args[++i];
        if (!option->second.set(options, value))
            return {std::nullopt, name + " " + value + ": expected " + option->second.expects};
    }
    return {options, {}};
}

}  // namespace lumivex::sim
