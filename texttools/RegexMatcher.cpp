#include "texttools/RegexMatcher.h"

#include "texttools/RegexTables.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <array>
#include <pcre2.h>

namespace {

// Bounds on one attempt at one start, low enough that a pattern which
// backtracks without end (such as (a+)+b) gives up within a fraction of a
// second even without the JIT, high enough for any sensible pattern.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 250'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
constexpr size_t kJitStackMax = size_t{16} << 20;
constexpr char kTooComplex[] =
    "The pattern backtracks too much on this text, so the search was stopped";

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;

std::string pcreMessage(int code) {
    std::array<PCRE2_UCHAR, 256> buffer{};
    const int length = pcre2_get_error_message(code, buffer.data(), buffer.size());
    return length > 0 ? std::string(reinterpret_cast<const char*>(buffer.data()),
                                    static_cast<size_t>(length))
                      : std::string("error ") + std::to_string(code);
}

bool isLimit(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
           rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT;
}

bool splitsCrlf(std::string_view text, size_t pos) {
    return pos > 0 && pos < text.size() && text[pos - 1] == '\r' && text[pos] == '\n';
}

bool isUpperWord(std::string_view s) {
    for (const char c : s) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
            return false;
        }
    }
    return !s.empty();
}

// The settings a pattern may open with, such as (*LF) or (*LIMIT_MATCH=9),
// which must stay in front of anything wrapped round it; backtracking verbs
// such as (*ACCEPT) are pattern, not settings.
size_t leadingSettingsEnd(std::string_view pattern) {
    size_t at = 0;
    while (pattern.substr(at, 2) == "(*") {
        const size_t close = pattern.find(')', at + 2);
        if (close == std::string_view::npos) {
            break;
        }
        std::string_view item = pattern.substr(at + 2, close - at - 2);
        std::string_view name = item.substr(0, item.find('='));
        if (name.size() < item.size()) {
            const std::string_view value = item.substr(name.size() + 1);
            if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
                break;
            }
        }
        if (!isUpperWord(name) || name == "ACCEPT" || name == "FAIL" || name == "F" ||
            name == "COMMIT" || name == "PRUNE" || name == "SKIP" || name == "THEN") {
            break;
        }
        at = close + 1;
    }
    return at;
}

// The pattern as searched: inside a group of its own (closing any \Q), with
// the word tests around it and the test that it does not end inside a CR LF.
std::string wrapped(std::string_view pattern, bool wholeWord) {
    const size_t settings = leadingSettingsEnd(pattern);
    std::string out(pattern.substr(0, settings));
    out += wholeWord ? "(?<!\\w)(?:" : "(?:";
    out += pattern.substr(settings);
    out += "\\E)";
    out += wholeWord ? "(?!\\w)" : "";
    out += "(?!(?<=\\r)\\n)";
    return out;
}

} // namespace

struct TRegexMatcher::Impl {
    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(match);
        pcre2_jit_stack_free(jitStack);
    }
    Code code;
    pcre2_match_data* data = nullptr;
    pcre2_match_context* match = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    // The wrapping did not compile (a comment in extended mode running to
    // the end, say): the bare pattern then, its CR LF test done afterwards.
    bool bare = false;
};

TRegexMatcher::TRegexMatcher(std::string_view pattern, TRegexOptions options) : options_(options) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_bsr(context, PCRE2_BSR_ANYCRLF);
    uint32_t flags = PCRE2_MULTILINE | (options.MatchCase ? 0 : PCRE2_CASELESS);
    if (options.Utf) {
        flags |= PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C;
    } else {
        flags |= PCRE2_NEVER_UTF | PCRE2_NEVER_UCP;
        pcre2_set_character_tables(context, CodePageRegexTables().data());
    }
    auto compile = [&](std::string_view text, int& error, PCRE2_SIZE& offset) {
        return Code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), flags,
                                  &error, &offset, context));
    };
    int error = 0;
    PCRE2_SIZE offset = 0;
    // The pattern alone says whether it is valid, and where it is not.
    Code code = compile(pattern, error, offset);
    if (!code) {
        error_ = pcreMessage(error);
        errorOffset_ = offset;
        pcre2_compile_context_free(context);
        return;
    }
    impl_ = std::make_unique<Impl>();
    Code searched = compile(wrapped(pattern, options.WholeWord), error, offset);
    if (!searched) {
        impl_->bare = true;
        if (options.WholeWord) {
            pcre2_set_compile_extra_options(context, PCRE2_EXTRA_MATCH_WORD);
            searched = compile(pattern, error, offset);
        } else {
            searched = std::move(code);
        }
    }
    pcre2_compile_context_free(context);
    if (!searched) {
        error_ = pcreMessage(error);
        errorOffset_ = offset;
        impl_.reset();
        return;
    }
    impl_->code = std::move(searched);
    // Without the JIT (not built for this processor) the interpreter serves.
    pcre2_jit_compile(impl_->code.get(), PCRE2_JIT_COMPLETE);
    impl_->data = pcre2_match_data_create_from_pattern(impl_->code.get(), nullptr);
    impl_->match = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(impl_->match, kMatchLimit);
    pcre2_set_depth_limit(impl_->match, kDepthLimit);
    pcre2_set_heap_limit(impl_->match, kHeapLimitKiB);
    impl_->jitStack = pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr);
    pcre2_jit_stack_assign(impl_->match, nullptr, impl_->jitStack);
}

TRegexMatcher::~TRegexMatcher() = default;

bool TRegexMatcher::Ok() const {
    return impl_ != nullptr;
}

int TRegexMatcher::GroupCount() const {
    uint32_t count = 0;
    if (impl_) {
        pcre2_pattern_info(impl_->code.get(), PCRE2_INFO_CAPTURECOUNT, &count);
    }
    return static_cast<int>(count);
}

std::vector<int> TRegexMatcher::GroupsNamed(std::string_view name) const {
    std::vector<int> groups;
    if (!impl_) {
        return groups;
    }
    const std::string key(name); // the table is searched by a terminated name
    PCRE2_SPTR first = nullptr;
    PCRE2_SPTR last = nullptr;
    if (pcre2_substring_nametable_scan(impl_->code.get(), reinterpret_cast<PCRE2_SPTR>(key.c_str()),
                                       &first, &last) < 0) {
        return groups;
    }
    uint32_t entrySize = 0;
    pcre2_pattern_info(impl_->code.get(), PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
    for (PCRE2_SPTR entry = first; entry <= last; entry += entrySize) {
        groups.push_back((entry[0] << 8) | entry[1]);
    }
    return groups;
}

TRegexStatus TRegexMatcher::run(std::string_view text, size_t from, unsigned flags) {
    error_.clear();
    if (!impl_ || from > text.size()) {
        return TRegexStatus::NotFound;
    }
    for (;;) {
        const int rc = pcre2_match(impl_->code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                   text.size(), from, flags, impl_->data, impl_->match);
        if (rc == PCRE2_ERROR_NOMATCH || rc == PCRE2_ERROR_PARTIAL) {
            return TRegexStatus::NotFound;
        }
        if (rc < 0) {
            error_ = isLimit(rc) ? kTooComplex : pcreMessage(rc);
            return TRegexStatus::Failed;
        }
        if (!impl_->bare || !splitsCrlf(text, End())) {
            return TRegexStatus::Found;
        }
        if ((flags & PCRE2_ANCHORED) != 0 || Start() >= text.size()) {
            return TRegexStatus::NotFound;
        }
        from = NextCharacter(text, Start());
    }
}

TRegexStatus TRegexMatcher::Find(std::string_view text, size_t from, bool notEmpty) {
    return run(text, from, notEmpty ? PCRE2_NOTEMPTY : 0);
}

TRegexStatus TRegexMatcher::MatchAt(std::string_view text, size_t at) {
    return run(text, at, PCRE2_ANCHORED | PCRE2_NOTEMPTY);
}

bool TRegexMatcher::Group(int n, size_t& start, size_t& end) const {
    if (!impl_ || n < 0 || static_cast<uint32_t>(n) >= pcre2_get_ovector_count(impl_->data)) {
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(impl_->data);
    start = ovector[2 * n];
    end = ovector[2 * n + 1];
    // \K in a lookahead can leave a match ending before it starts.
    return start != PCRE2_UNSET && end != PCRE2_UNSET && start <= end;
}

size_t TRegexMatcher::Start() const {
    return pcre2_get_ovector_pointer(impl_->data)[0];
}

size_t TRegexMatcher::End() const {
    return pcre2_get_ovector_pointer(impl_->data)[1];
}

size_t TRegexMatcher::NextCharacter(std::string_view text, size_t pos) const {
    if (pos >= text.size()) {
        return pos + 1;
    }
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
        return pos + 2; // a line end is one character
    }
    if (!options_.Utf) {
        return pos + 1;
    }
    // A whole UTF-8 sequence, or a single byte where the bytes are no valid one.
    const auto lead = static_cast<unsigned char>(text[pos]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || pos + length > text.size()) {
        return pos + 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
            return pos + 1;
        }
    }
    return pos + length;
}
