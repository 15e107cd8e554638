#pragma once
// --links: a file of links, one a line, and where each came from.

#include "control/controller_link.h"

#include <QString>

#include <vector>

namespace lumivex::ctl {

// A link as given, with the file and line it came from ("room.txt:3"), if any.
struct LinkText {
    QString text;
    QString where;
};

// The links of the file; throws a usage failure for a file that is not a
// small regular file or names none.
std::vector<LinkText> linksFromFile(const QString& path);
// A link's refusal names the file and line it came from.
control::LinkTarget linkTargetAt(const LinkText& link, int monitor);

}  // namespace lumivex::ctl
