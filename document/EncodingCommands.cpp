#include "document/EncodingCommands.h"

#include "document/FileCommands.h"
#include "document/PlainFile.h"
#include "document/Unit1.h"
#include "framework/Progress.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <QSettings>
#include <new>

namespace {

const QString SettingsKey = QStringLiteral("NewDocumentEncoding");
const QString QuestionTitle = QStringLiteral("ATTENTION!");

QSettings settings() {
    return QSettings(QStringLiteral("Pennivale"), QStringLiteral("Pennivale"));
}

bool confirmed(const QString& question) {
    return Platform().MessageBox(nullptr, question, QuestionTitle, TMsgButtons::YesNo,
                                 TMsgIcon::Warning) == TModalResult::Yes;
}

bool isUtf16(TEncoding encoding) {
    return encoding == TEncoding::Utf16LE || encoding == TEncoding::Utf16BE;
}

} // namespace

TEncoding NewDocumentEncoding() {
    // Kept by name, so that the settings file reads as the menu does.
    const QString name = settings().value(SettingsKey).toString();
    for (int i = 0; i < kEncodingCount; ++i) {
        const auto encoding = static_cast<TEncoding>(i);
        if (EncodingName(encoding) == name) {
            return encoding;
        }
    }
    return TEncoding::Windows1252;
}

void SetNewDocumentEncoding(TEncoding encoding) {
    settings().setValue(SettingsKey, EncodingName(encoding));
}

bool CanReopen(const TfrmNew& window) {
    return window.Format() == TDocumentFormat::PlainText && IsRealFilePath(window.Caption());
}

bool ReopenWith(TfrmNew& window, TEncoding encoding, TProgress* progress) {
    if (!CanReopen(window)) {
        return false;
    }
    if (window.IsChanged() &&
        !confirmed(QStringLiteral("The document has changes, which reopening it as %1 loses.\n"
                                  "Reopen %2?")
                       .arg(EncodingName(encoding), window.windowTitle()))) {
        return false;
    }
    try {
        TProgressJob job(progress);
        TProgressStep all = job.Step(0.0, 1.0);
        // Read as plain text whatever it holds, as the document was.
        window.Edit1().LoadFromFile(window.Caption(), all.get(), encoding, &encoding);
    } catch (const EFOpenError& error) {
        throw WithSystemReason(error);
    } catch (const std::bad_alloc&) {
        window.Edit1().Clear();
        throw Exception("Not enough memory to open file " + window.Caption());
    }
    window.SetChanged(false);
    return true;
}

bool ConvertTo(TfrmNew& window, TEncoding encoding) {
    TRichEdit& edit = window.Edit1();
    if (edit.Encoding() == encoding) {
        return false;
    }
    const bool lossy = IsUnicode(edit.Encoding()) && !IsUnicode(encoding);
    // An odd last byte is no character: only UTF-16 has a place for it.
    const bool dropsOddByte = edit.OddLastByte() >= 0 && !isUtf16(encoding);
    const int lost = (lossy ? CountUnrepresentable(edit.Text()) : 0) + (dropsOddByte ? 1 : 0);
    if (lost > 0 &&
        !confirmed(QStringLiteral("%1 characters of the document cannot be held in %2 and will "
                                  "become \"?\".\nConvert it?")
                       .arg(lost)
                       .arg(EncodingName(encoding)))) {
        return false;
    }
    if (dropsOddByte) {
        edit.SetOddLastByte(-1);
    }
    edit.SetEncoding(encoding);
    // It will be saved differently from the file it came from.
    window.SetChanged(true);
    return true;
}
