#include "framework/ui/ScriptedPlatform.h"

#include <QFileInfo>
#include <QTextDocument>
#include <algorithm>

std::vector<TScriptedPlatform::Call> TScriptedPlatform::CallsOf(Call::Kind kind) const {
    std::vector<Call> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [kind](const Call& c) { return c.kind == kind; });
    return out;
}

bool TScriptedPlatform::AnyUnexpected() const {
    return std::any_of(calls.begin(), calls.end(), [](const Call& c) { return c.unexpected; });
}

TModalResult TScriptedPlatform::MessageBox(QWidget* owner, const QString& text,
                                           const QString& title, TMsgButtons buttons,
                                           TMsgIcon icon) {
    Call call{Call::Kind::MessageBox, text, title, buttons, icon,
              owner != nullptr,       {},   {},    0,       false};
    TModalResult answer = TModalResult::Cancel;
    if (!messageAnswers.empty()) {
        answer = messageAnswers.front();
        messageAnswers.pop_front();
    } else if (buttons == TMsgButtons::Ok) {
        answer = TModalResult::Ok; // an OK box has only the one answer
    } else {
        call.unexpected = true;
    }
    calls.push_back(call);
    return answer;
}

bool TScriptedPlatform::fileDialog(Call::Kind kind, std::deque<std::optional<FileAnswer>>& answers,
                                   TFileDialogRequest& request) {
    Call call{
        kind, request.Title, request.Filter, TMsgButtons::Ok, TMsgIcon::None, false, request, {},
        0,    false};
    if (answers.empty()) {
        call.unexpected = true;
        calls.push_back(call);
        return false;
    }
    const std::optional<FileAnswer> answer = answers.front();
    answers.pop_front();
    calls.push_back(call);
    if (!answer || answer->fileNames.empty()) {
        return false;
    }
    request.FileNames = answer->fileNames;
    request.FileName = answer->fileNames.front();
    request.FilterIndex = answer->filterIndex;
    return true;
}

bool TScriptedPlatform::OpenDialog(QWidget*, TFileDialogRequest& request) {
    return fileDialog(Call::Kind::OpenDialog, openAnswers, request);
}

bool TScriptedPlatform::SaveDialog(QWidget*, TFileDialogRequest& request) {
    const TFileDialogRequest asked = request;
    while (fileDialog(Call::Kind::SaveDialog, saveAnswers, request)) {
        const std::string written = request.NameToWrite
                                        ? request.NameToWrite(request.FileName, request.FilterIndex)
                                        : request.FileName;
        const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(written)));
        if (!file.exists() || file.isDir()) {
            return true;
        }
        Call call{Call::Kind::OverwriteQuestion,
                  file.filePath(),
                  asked.Title,
                  TMsgButtons::YesNo,
                  TMsgIcon::Warning,
                  true,
                  {},
                  {},
                  0,
                  overwriteAnswers.empty()};
        const bool replace = !overwriteAnswers.empty() && overwriteAnswers.front();
        if (!overwriteAnswers.empty()) {
            overwriteAnswers.pop_front();
        }
        calls.push_back(call);
        if (replace) {
            return true;
        }
        // No: the dialog is still open, on what it was asked with.
        request = asked;
    }
    return false;
}

bool TScriptedPlatform::FontDialog(QWidget*, TFont& font) {
    Call call{
        Call::Kind::FontDialog, {}, {}, TMsgButtons::Ok, TMsgIcon::None, false, {}, font, 0, false};
    bool ok = false;
    if (fontAnswers.empty()) {
        call.unexpected = true;
    } else {
        if (fontAnswers.front()) {
            font = *fontAnswers.front();
            ok = true;
        }
        fontAnswers.pop_front();
    }
    calls.push_back(call);
    return ok;
}

bool TScriptedPlatform::ColorDialog(QWidget*, std::uint32_t& color) {
    Call call{Call::Kind::ColorDialog,
              {},
              {},
              TMsgButtons::Ok,
              TMsgIcon::None,
              false,
              {},
              {},
              color,
              false};
    bool ok = false;
    if (colorAnswers.empty()) {
        call.unexpected = true;
    } else {
        if (colorAnswers.front()) {
            color = *colorAnswers.front();
            ok = true;
        }
        colorAnswers.pop_front();
    }
    calls.push_back(call);
    return ok;
}

void TScriptedPlatform::ShellOpen(const std::string& target, std::function<void()> failed) {
    calls.push_back(Call{Call::Kind::ShellOpen,
                         QString::fromStdString(target),
                         {},
                         TMsgButtons::Ok,
                         TMsgIcon::None,
                         false,
                         {},
                         {},
                         0,
                         false});
    if (!shellOpenSucceeds) {
        QMetaObject::invokeMethod(context_.get(), std::move(failed), Qt::QueuedConnection);
    }
}

QString TScriptedPlatform::Print(const QTextDocument& document, const QString& jobTitle) {
    calls.push_back(Call{Call::Kind::Print,
                         document.toRawText(),
                         jobTitle,
                         TMsgButtons::Ok,
                         TMsgIcon::None,
                         false,
                         {},
                         {},
                         0,
                         false});
    return printFailure;
}

TScriptedPlatformScope::TScriptedPlatformScope() {
    auto platform = std::make_unique<TScriptedPlatform>();
    platform_ = platform.get();
    SetPlatform(std::move(platform));
}

TScriptedPlatformScope::~TScriptedPlatformScope() {
    SetPlatform(MakeQtPlatform());
}
