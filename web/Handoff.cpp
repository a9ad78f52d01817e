#include "web/Handoff.h"

#include "document/FileCommands.h"
#include "document/Unit1.h"
#include "framework/Exceptions.h"
#include "framework/ui/Application.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"
#include "web/Site.h"
#include "web/WebText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A mail URL can be the size of a document; the message names its start.
std::string shown(const std::string& target) {
    constexpr std::size_t limit = 100;
    return target.size() <= limit ? target : target.substr(0, limit) + "...";
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw Exception(what + " " + path + ": " + std::strerror(error));
}

// A directory of the user's own that nobody else may enter.
bool privateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

std::string previewFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && privateFolder(runtime)) {
        return runtime;
    }
    const char* temp = std::getenv("TMPDIR");
    const std::string base = temp && temp[0] == '/' ? temp : "/tmp";
    const std::string folder = base + "/pennivale-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        fail("Cannot create folder", folder, errno);
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        fail("Cannot use folder", folder, errno);
    }
    // Someone else's folder, or a link, at our name is not ours to write in.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        fail("Cannot use folder", folder, EPERM);
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        fail("Cannot use folder", folder, errno);
    }
    return folder;
}

} // namespace

void HandOff(const std::string& target) {
    const std::string message = "No program could be started to open " + shown(target);
    Platform().ShellOpen(target, [message] { Application().ShowException(Exception(message)); });
}

std::string PreviewFilePath() {
    return previewFolder() + "/PennivalePreview.html";
}

void PreviewDocument(TFileCommands& files, TfrmNew& window) {
    const std::string path = PreviewFilePath();
    // A safe write follows a link to the file it names; the preview must not.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) != 0) {
        fail("Cannot replace the link", path, errno);
    }
    const bool changed = window.IsChanged();
    files.WriteDocument(path, window);
    window.SetChanged(changed);
    HandOff(path);
}

void SendByEmail(TfrmNew& window) {
    const TRichEdit& edit = window.Edit1();
    HandOff(MailBodyUrl(edit.Text(), IsUnicode(edit.Encoding())));
}

void OpenHomePage() {
    HandOff(HomePageUrl());
}
