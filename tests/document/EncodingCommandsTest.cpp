#include "document/EncodingCommands.h"

#include "TestFrame.h"

using E = TEncoding;

TEST_F(DocumentTest, EachEncodingIsFoundOnOpeningAndSavedBackByteForByte) {
    const std::string broken = "\xC3\xA9\xFF|\xE2\x82|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80";
    const std::string u16(std::string("\xFE\xFF\0a\0\r\0\n\0b\0\n\xD8\0\0\r", 16));
    const std::tuple<std::string, E, E, std::string> cases[] = {
        // file, default for new documents, encoding found, text
        {"caf\xE9\r\n", E::Windows1252, E::Windows1252, "caf\xE9\r\n"},
        {"ascii", E::Utf8, E::Utf8, "ascii"},
        {std::string("\0\xC3\xA9\xF0\x9F\x98\x80", 7), E::Windows1252, E::Utf8,
         std::string("\0\xC3\xA9\xF0\x9F\x98\x80", 7)},
        {"\xEF\xBB\xBF", E::Windows1252, E::Utf8Bom, ""},
        {broken, E::Windows1252, E::Windows1252, broken},
        {broken, E::Utf8, E::Utf8, broken},
        {std::string("\xFF\xFEh\0\xE9\0A", 7), E::Windows1252, E::Utf16LE, "h\xC3\xA9"},
        {u16, E::Windows1252, E::Utf16BE, "a\r\nb\n\xED\xA0\x80\r"},
    };
    for (const auto& [file, byDefault, found, text] : cases) {
        SCOPED_TRACE(file);
        SetNewDocumentEncoding(byDefault);
        WriteFile(Path("f.txt"), file);
        TfrmNew* window = Open(Path("f.txt"), ftText);
        EXPECT_EQ(std::tuple(window->Edit1().Encoding(), window->Edit1().Text(), Flag(window)),
                  std::tuple(found, text, std::string("false")));
        WriteFile(Path("f.txt"), "overwritten");
        frame.Files.FileSave(*window);
        EXPECT_EQ(ReadFile(Path("f.txt")), file);
    }
    SetNewDocumentEncoding(E::Windows1252);
}

TEST_F(DocumentTest, ReopenWithReadsTheFileAgainAndAsksWhenTheDocumentHasChanges) {
    const std::string path = Path("plausible.txt");
    WriteFile(path, "\xC3\xA9");
    TfrmNew* window = Open(path, ftText);
    EXPECT_EQ(std::pair(window->Edit1().Encoding(), window->Edit1().Text()),
              std::pair(E::Utf8, std::string("\xC3\xA9")));
    // Saved again, with the byte-order mark of an encoding that has one.
    for (const auto& [encoding, text, saved] : {
             std::tuple{E::Utf8Bom, "\xC3\xA9", "\xEF\xBB\xBF\xC3\xA9"},
             std::tuple{E::Utf16LE, "\xEA\xA7\x83", "\xFF\xFE\xC3\xA9"},
             std::tuple{E::Utf16BE, "\xEC\x8E\xA9", "\xFE\xFF\xC3\xA9"},
             std::tuple{E::Utf8, "\xC3\xA9", "\xC3\xA9"},
             std::tuple{E::Windows1252, "\xC3\xA9", "\xC3\xA9"},
         }) {
        WriteFile(path, "\xC3\xA9");
        EXPECT_TRUE(ReopenWith(*window, encoding));
        EXPECT_EQ(std::pair(window->Edit1().Encoding(), window->Edit1().Text()),
                  std::pair(encoding, std::string(text)));
        frame.Files.FileSave(*window);
        EXPECT_EQ(ReadFile(path), saved);
    }
    EXPECT_EQ(window->Edit1().inputMethodQuery(Qt::ImSurroundingText).toString(),
              QStringLiteral("\u00C3\u00A9"));
    // With changes it asks; No keeps them, Yes reads the file again. A file
    // gone meanwhile is reported, the text kept.
    window->Edit1().SetSelText("x");
    seam->messageAnswers = {TModalResult::No, TModalResult::Yes, TModalResult::Yes,
                            TModalResult::Ok};
    EXPECT_FALSE(ReopenWith(*window, E::Utf8));
    EXPECT_EQ(window->Edit1().Text() + Flag(window), "x\xC3\xA9true");
    EXPECT_TRUE(ReopenWith(*window, E::Utf8));
    EXPECT_EQ(window->Edit1().Text() + Flag(window), "\xC3\xA9"
                                                     "false");
    const QString question = "The document has changes, which reopening it as UTF-8 loses.\n"
                             "Reopen " +
                             QString::fromStdString(path) + "?";
    EXPECT_EQ(std::tuple(Messages()[0].text, Messages()[0].title, Messages()[0].buttons),
              std::tuple(question, QStringLiteral("ATTENTION!"), TMsgButtons::YesNo));
    window->Edit1().SetSelText("x");
    std::remove(path.c_str());
    Run([&] { ReopenWith(*window, E::Utf8); });
    EXPECT_TRUE(Messages().back().text.contains(QString::fromStdString(path)));
    EXPECT_EQ(window->Edit1().Text(), "x\xC3\xA9");
}

TEST_F(DocumentTest, ConvertToSaysHowManyCharactersAreLostAndAFileReadIntoTheTextIsConverted) {
    const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3 abc \xC3\xA9";
    WriteFile(Path("greek.txt"), greek);
    TfrmNew* window = Open(Path("greek.txt"), ftText);
    seam->messageAnswers = {TModalResult::No, TModalResult::Yes};
    EXPECT_FALSE(ConvertTo(*window, E::Windows1252));
    EXPECT_EQ(OnlyMessage().text, "3 characters of the document cannot be held in Windows-1252 "
                                  "and will become \"?\".\nConvert it?");
    EXPECT_EQ(std::tuple(window->Edit1().Encoding(), window->Edit1().Text(), Flag(window)),
              std::tuple(E::Utf8, greek, std::string("false")));
    // Between Unicode encodings nothing is asked; the next save writes the new one.
    EXPECT_TRUE(ConvertTo(*window, E::Utf16BE));
    frame.Files.FileSave(*window);
    EXPECT_EQ(ReadFile(Path("greek.txt")), EncodeFile(greek, E::Utf16BE));
    EXPECT_TRUE(ConvertTo(*window, E::Windows1252));
    EXPECT_EQ(std::tuple(window->Edit1().Encoding(), window->Edit1().Text(), Flag(window)),
              std::tuple(E::Windows1252, std::string("??? abc \xE9"), std::string("true")));
    // A file read into a document holding text is stored in its encoding.
    WriteFile(Path("1252.txt"), "\xE9");
    ConvertTo(*window, E::Utf8);
    frame.Files.LoadPlainFile(Path("1252.txt"), *window);
    EXPECT_EQ(window->Edit1().Text(), "??? abc \xC3\xA9\xC3\xA9");
}
