#include "command_line.h"

#include <string_view>

namespace lumivex {

namespace {

struct QtOption {
    std::string_view name;
    bool takesValue;
};

// The options QGuiApplication and QApplication take out of argv themselves.
constexpr QtOption kQtOptions[] = {
    {"-platform", true},        {"-platformpluginpath", true}, {"-platformtheme", true},
    {"-plugin", true},          {"-qwindowgeometry", true},    {"-qwindowtitle", true},
    {"-qwindowicon", true},     {"-geometry", true},           {"-title", true},
    {"-icon", true},            {"-display", true},            {"-name", true},
    {"-session", true},         {"-style", true},              {"-stylesheet", true},
    {"-reverse", false},        {"-widgetcount", false},       {"-nograb", false},
    {"-dograb", false},         {"-sync", false},
};

const QtOption* qtOption(std::string_view arg)
{
    if (arg.starts_with("--"))
        arg.remove_prefix(1);  // Qt takes --platform as -platform
    for (const QtOption& option : kQtOptions) {
        if (arg == option.name)
            return &option;
    }
    // QApplication also takes -style=NAME and -stylesheet=FILE.
    static constexpr QtOption kJoined{"", false};
    return arg.starts_with("-style=") || arg.starts_with("-stylesheet=") ? &kJoined : nullptr;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return {CommandLineAction::ShowHelp, {}};
        if (arg == "--version" || arg == "-V")
            return {CommandLineAction::ShowVersion, {}};
        const QtOption* qt = qtOption(arg);
        if (!qt)
            return {CommandLineAction::Refuse,
                    (arg.starts_with("-") ? "unknown option '" : "unexpected argument '") + arg
                        + "' (lumivex --help lists the options)"};
        if (qt->takesValue && ++i >= args.size())
            return {CommandLineAction::Refuse, arg + " needs a value"};
    }
    return {};
}

std::string helpText(const std::filesystem::path& iniPath)
{
    return "Usage: lumivex [-h | --help | -V | --version] [Qt options]\n"
           "The configuration panel of the ZEPTA video-wall controllers K410 and K420:\n"
           "opens a link (DDC/CI or a COM port), then sets the wall's output and the\n"
           "controller's general settings. One copy runs at a time.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and end\n"
           "  -V, --version  show the version and end\n"
           "  Qt's own options (-platform NAME, -style NAME, -reverse, ...) go to Qt.\n"
           "\n"
           "Environment:\n"
           "  ZEPTA_DDCHELPER        the DDC/CI library to load, and no other\n"
           "  ZEPTA_COMn             the device the name COMn opens (ZEPTA_COM1=/dev/pts/3)\n"
           "  ZEPTA_REPLY_WAIT_MS    the longest wait for a serial reply, 1-60000 ms\n"
           "                         (default: [Link] Reply Wait ms of ZEPTA.ini, then 100,\n"
           "                         or 500 for tcp:// and rfc2217://)\n"
           "  ZEPTA_MESSAGE_LOG      write message boxes to this file instead of showing them\n"
           "  ZEPTA_MESSAGE_ANSWER   yes: questions are answered Yes while logging (else No)\n"
           "  ZEPTA_EXIT_WHEN_SHOWN  close after the first paint, printing 'shown <ns>'\n"
           "  XDG_CONFIG_HOME, HOME  the per-user folder of ZEPTA.ini\n"
           "  STATE_DIRECTORY        the folder of ZEPTA.ini with neither of those (systemd)\n"
           "  XDG_RUNTIME_DIR        the folder of the lock that keeps to one running copy\n"
           "  ZEPTA_SIM_*            the simulated DDC/CI library's set-up (MODEL, MONITORS,\n"
           "                         INIT_ERROR, LOG, STATE; see man lumivex)\n"
           "\n"
           "Settings file ZEPTA.ini:\n"
           "  beside the program when its folder can be written and it is not installed;\n"
           "  otherwise $XDG_CONFIG_HOME/zepta/ZEPTA.ini (~/.config/zepta/ZEPTA.ini);\n"
           "  with neither set, $STATE_DIRECTORY/ZEPTA.ini, else /var/lib/lumivex/ZEPTA.ini.\n"
           "  This run: "
           + iniPath.string() + "\n";
}

std::string versionText()
{
    return "lumivex " LUMIVEX_VERSION "\n";
}

}  // namespace lumivex
