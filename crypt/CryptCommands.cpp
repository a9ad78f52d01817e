#include "crypt/CryptCommands.h"

#include "crypt/Cipher.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <string>

void CipherText(TRichEdit& edit, TCryptMode mode, TCryptDirection direction, std::string_view key) {
    const std::string& text = edit.Text();
    const bool encipher = direction == TCryptDirection::Encipher;
    std::string result;
    switch (mode) {
    case TCryptMode::NumberKey:
        result = encipher ? NumberKeyCrypt(text, key) : NumberKeyDecrypt(text, key);
        break;
    case TCryptMode::Strong:
        result = encipher ? StrongCrypt(text) : StrongDecrypt(text);
        break;
    case TCryptMode::StringKeySecure:
        if (!KeyCoversText(text, key)) {
            Platform().MessageBox(nullptr,
                                  QStringLiteral("The key must have as many characters as you "
                                                 "have in text!"),
                                  QStringLiteral("ATTENTION"), TMsgButtons::Ok, TMsgIcon::None);
            return;
        }
        [[fallthrough]];
    case TCryptMode::StringKey:
        result = encipher ? StringKeyCrypt(text, key) : StringKeyDecrypt(text, key);
        break;
    }
    // A result equal to the text (a key of 0, an empty text) is no edit:
    // writing it back would only add an empty undo step and drop the text's
    // formatting.
    if (result != text) {
        edit.SetText(result);
    }
}
