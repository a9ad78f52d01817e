#include "framework/rtf/RtfCharsets.h"

#include "framework/CodePageDecoder.h"

#include <utility>

namespace Rtf {
namespace {

// clang-format off
const std::pair<int, int> kCharsets[] = {
    {0, 1252},   {2, kSymbolCodePage}, {77, 10000}, {128, 932}, {129, 949}, {130, 1361},
    {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
    {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437}, {255, 437},
};
// clang-format on

} // namespace

int CodePageOfCharset(int charset) {
    for (const auto& [number, codePage] : kCharsets) {
        if (number == charset) {
            return codePage;
        }
    }
    return 0;
}

Decoders::Decoders() = default;
Decoders::~Decoders() = default;

TCodePageDecoder* Decoders::For(int codePage) {
    // Only numbers with a converter name are kept, so hostile input cannot grow the map.
    if (codePage == kDocumentCodePage || !TCodePageDecoder::Knows(codePage)) {
        return nullptr;
    }
    auto it = open_.find(codePage);
    if (it == open_.end()) {
        it = open_.emplace(codePage, TCodePageDecoder::Open(codePage)).first;
    }
    return it->second.get();
}

} // namespace Rtf
