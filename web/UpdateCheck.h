#pragma once

#include <string>

class TWebHost;

// Asks the update file at updateFileUrl whether a newer version exists, with
// the host's HTTP client, and tells the user: a Yes/No box offering the
// download page (opened in the browser on Yes), or a box saying there is
// none. Transfer and conversion errors raise, and neither box is shown; a
// check the user ended (closing the main window) ends silently.
void CheckForUpdates(TWebHost& host, const std::string& updateFileUrl,
                     const std::string& downloadPageUrl);
