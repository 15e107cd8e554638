#pragma once
// lumivex's own options, looked at before anything opens a display, so that
// --help and --version answer over ssh, in scripts and in package checks.

#include <filesystem>
#include <string>
#include <vector>

namespace lumivex {

enum class CommandLineAction { RunPanel, ShowHelp, ShowVersion, Refuse };

struct CommandLine {
    CommandLineAction action = CommandLineAction::RunPanel;
    std::string error;  // Refuse: what was wrong, one line
};

// The arguments after the program name, first to last: the first of --help,
// --version or an argument neither lumivex nor Qt takes decides. Qt's own
// options (-platform NAME, -style NAME, -reverse, ...) are left for Qt.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// iniPath: where this run would keep ZEPTA.ini.
std::string helpText(const std::filesystem::path& iniPath);
std::string versionText();

}  // namespace lumivex
