#pragma once

#include <string>

// The program's web site and its author, as this build was configured.

// The update file: the number of the newest version. Given with the "http"
// scheme, so it is asked of port 80 (or the port the host setting names)
// whatever server the HTTP client spoke to last.
std::string UpdateFileUrl();
// The download page, which is also the product's web page.
std::string DownloadPageUrl();
std::string HomePageUrl();

std::string AuthorName();
std::string AuthorFirstName();
std::string AuthorEmail();
