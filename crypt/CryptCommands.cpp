#include "crypt/CryptCommands.h"

#include "crypt/Cipher.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <string>

QString StrongLossQuestion(std::size_t lost) {
    const QString count =
        lost == 1 ? QStringLiteral("1 character") : QStringLiteral("%1 characters").arg(lost);
    return QStringLiteral("Decrypt will not give back %1 of this text: Strong Crypting turns "
                          "the capitals M to U and X to Z and the characters [ \\ ] ^ _ ` "
                          "into letters that decipher as others.\n\nCrypt it all the same?")
        .arg(count);
}

bool CipherText(TRichEdit& edit, TCryptMode mode, TCryptDirection direction, std::string_view key) {
    const std::string& text = edit.Text();
    const bool encipher = direction == TCryptDirection::Encipher;
    std::string result;
    switch (mode) {
    case TCryptMode::NumberKey:
        result = encipher ? NumberKeyCrypt(text, key) : NumberKeyDecrypt(text, key);
        break;
    case TCryptMode::Strong:
        if (encipher) {
            const std::size_t lost = StrongUnrestorable(text);
            if (lost > 0 && Platform().MessageBox(nullptr, StrongLossQuestion(lost),
                                                  QStringLiteral("ATTENTION"), TMsgButtons::YesNo,
                                                  TMsgIcon::Warning) != TModalResult::Yes) {
                return false;
            }
        }
        result = encipher ? StrongCrypt(text) : StrongDecrypt(text);
        break;
    case TCryptMode::StringKeySecure:
        if (!KeyCoversText(text, key)) {
            Platform().MessageBox(nullptr,
                                  QStringLiteral("The key must have as many characters as you "
                                                 "have in text!"),
                                  QStringLiteral("ATTENTION"), TMsgButtons::Ok, TMsgIcon::None);
            return true;
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
    return true;
}
