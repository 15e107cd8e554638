#pragma once
// save and apply with a folder: one set-up file a link, named after it.

#include <QString>

namespace lumivex::ctl {

// A folder: written with a trailing '/', or a folder that exists.
bool isFolderArgument(const QString& argument);

// The link text with each run of characters other than letters, digits,
// '.', '_' and '-' made one '-', no leading '-', and ".ini":
// "rfc2217://10.0.0.5:4001" gives "rfc2217-10.0.0.5-4001.ini".
QString fleetFileName(const QString& linkId);

// The link's file in the folder.
QString fleetFilePath(const QString& folder, const QString& linkId);

// Creates the folder and its parents; throws a usage Failure naming why not.
void createFleetFolder(const QString& folder);

}  // namespace lumivex::ctl
