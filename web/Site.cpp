#include "web/Site.h"

#include "web/SiteConfig.h"

namespace {
std::string site() {
    return std::string(PENNIVALE_UPDATE_HOST) + PENNIVALE_UPDATE_DIRECTORY;
}
} // namespace

std::string UpdateFileUrl() {
    return "http://" + site() + "/pennivale/update.txt";
}

std::string DownloadPageUrl() {
    return "http://" + site() + "/pennivale";
}

std::string HomePageUrl() {
    return PENNIVALE_HOME_PAGE;
}

std::string AuthorName() {
    return PENNIVALE_AUTHOR_NAME;
}

std::string AuthorFirstName() {
    return PENNIVALE_AUTHOR_FIRST_NAME;
}

std::string AuthorEmail() {
    return PENNIVALE_AUTHOR_EMAIL;
}
