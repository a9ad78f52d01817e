#include "framework/rtf/RtfRuns.h"

#include "framework/CodePageDecoder.h"

#include <algorithm>
#include <utility>

namespace Rtf {
namespace {

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

void RunBuilder::SetFormat(const CharFormat& source, const CharFormat& document,
                           TCodePageDecoder* decoder) {
    if (decoder != decoder_ || source != source_) {
        decodeSource();
        source_ = source;
        decoder_ = decoder;
    }
    target_ = document;
}

void RunBuilder::AddSource(std::string_view bytes) {
    // ASCII is the same in every code page, and only a byte above it can
    // begin a character of two bytes.
    if (decoder_ != nullptr && (!undecoded_.empty() || !isAscii(bytes))) {
        undecoded_.append(bytes);
    } else {
        textIn(source_).append(bytes);
    }
}

void RunBuilder::AddDocument(std::string_view bytes) {
    decodeSource();
    textIn(target_).append(bytes);
}

void RunBuilder::decodeSource() {
    if (undecoded_.empty()) {
        return;
    }
    decoder_->ToDocument(undecoded_, textIn(source_));
    undecoded_.clear();
}

std::string& RunBuilder::textIn(const CharFormat& format) {
    if (format != pendingFormat_) {
        flushRun();
        pendingFormat_ = format;
    }
    return pending_;
}

void RunBuilder::flushRun() {
    if (pending_.empty()) {
        return;
    }
    std::vector<Run>& runs = document_.paragraphs.back().runs;
    if (!runs.empty() && runs.back().format == pendingFormat_) {
        runs.back().text += pending_;
    } else {
        runs.push_back(Run{std::move(pending_), pendingFormat_});
    }
    pending_.clear();
}

void RunBuilder::Break(Alignment alignment) {
    decodeSource();
    flushRun();
    document_.paragraphs.back().alignment = alignment;
    document_.paragraphs.emplace_back();
}

Document RunBuilder::Finish(Alignment lastAlignment) {
    decodeSource();
    flushRun();
    document_.paragraphs.back().alignment = lastAlignment;
    return std::move(document_);
}

} // namespace Rtf
