#pragma once

#include <string>

class TFileCommands;
class TfrmNew;

// Hands a URL or a file to the desktop's opener (the registered browser or
// mail program) without waiting for it. When no opener could be started, or
// it found nothing to open the target with, the error box says so later, as
// the system's shell tells the user.
void HandOff(const std::string& target);

// The preview file: PennivalePreview.html in a folder of the user's own,
// the runtime directory or else one the program makes (mode 0700) under the
// temporary directory. Raises when no such folder can be had.
std::string PreviewFilePath();

// Writes the window's text to the preview file as File Save would write it,
// in the window's own format, and opens it in the browser. A symbolic link standing at the file's
// path is replaced, never written through. The window stays as changed as it was: its own file has
// not been saved. A failed write raises and opens nothing.
void PreviewDocument(TFileCommands& files, TfrmNew& window);

// A new mail message with the window's whole text as its body.
void SendByEmail(TfrmNew& window);

// The author's home page in the browser.
void OpenHomePage();
