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
    // Undecoded bytes are text of the format they came in.
    if (!undecoded_.empty() && (decoder != decoder_ || source != source_)) {
        decodeSource();
    }
    source_ = source;
    target_ = document;
    decoder_ = decoder;
    pendingOrigin_ = Origin::None; // the next text compares its format with the run's
}

void RunBuilder::addSource(std::string_view bytes) {
    // ASCII is the same in every code page, and only a byte above it can
    // begin a character of two bytes.
    if (decoder_ != nullptr && (!undecoded_.empty() || !isAscii(bytes))) {
        undecoded_.append(bytes);
    } else {
        textIn(Origin::Source).append(bytes);
    }
}

void RunBuilder::addDocument(std::string_view bytes) {
    decodeSource();
    textIn(Origin::Document).append(bytes);
}

void RunBuilder::decodeSource() {
    if (undecoded_.empty()) {
        return;
    }
    decoder_->ToDocument(undecoded_, textIn(Origin::Source));
    undecoded_.clear();
}

std::string& RunBuilder::textIn(Origin origin) {
    // Formats are compared only when text of the other origin came last or
    // a format changed: most text adds to a run of its own origin.
    if (origin != pendingOrigin_) {
        const CharFormat& format = origin == Origin::Source ? source_ : target_;
        if (format != pendingFormat_) {
            flushRun();
            pendingFormat_ = format;
        }
        pendingOrigin_ = origin;
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
        runs.push_back(Run{pending_, pendingFormat_}); // a copy: pending_ keeps its room
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
