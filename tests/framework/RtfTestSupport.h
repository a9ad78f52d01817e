#pragma once

#include "framework/rtf/Rtf.h"
#include "tests/common/CpuTime.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// Time bounds are for optimised builds; instrumented and unoptimised builds
// get looser ones.
#if defined(__SANITIZE_ADDRESS__)
#define PENNIVALE_RTF_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PENNIVALE_RTF_SANITIZED 1
#endif
#endif
#if defined(PENNIVALE_RTF_SANITIZED)
constexpr double kSlowdown = 30;
#elif !defined(NDEBUG)
constexpr double kSlowdown = 5;
#else
constexpr double kSlowdown = 1;
#endif

namespace Rtf {

// Readable failure messages.
inline void PrintTo(const CharFormat& f, std::ostream* os) {
    *os << "{" << testing::PrintToString(f.face) << " cs" << f.charset << " hp" << f.halfPoints
        << (f.bold ? " B" : "") << (f.italic ? " I" : "") << (f.underline ? " U" : "")
        << (f.strikeOut ? " S" : "");
    if (f.color) {
        *os << " #" << std::hex << *f.color << std::dec;
    }
    *os << "}";
}

inline void PrintTo(const Document& d, std::ostream* os) {
    if (!(d.base == BaseFont{})) {
        *os << "base '" << d.base.face << "' cs" << d.base.charset << " hp" << d.base.halfPoints
            << "\n";
    }
    for (const Paragraph& p : d.paragraphs) {
        *os << "\n  [" << static_cast<int>(p.alignment) << "]";
        for (const Run& run : p.runs) {
            *os << " ";
            PrintTo(run.format, os);
            *os << testing::PrintToString(run.text);
        }
    }
}

} // namespace Rtf

// The paragraphs' texts, formats ignored.
inline std::vector<std::string> texts(const Rtf::Document& d) {
    std::vector<std::string> r;
    for (const Rtf::Paragraph& p : d.paragraphs) {
        std::string s;
        for (const Rtf::Run& run : p.runs) {
            s += run.text;
        }
        r.push_back(s);
    }
    return r;
}

// Every paragraph's text followed by "|".
inline std::string allText(const Rtf::Document& d) {
    std::string s;
    for (const std::string& t : texts(d)) {
        s += t + "|";
    }
    return s;
}

inline std::string allTextOf(const std::string& rtf) {
    return allText(Rtf::Read(rtf));
}

using testcpu::secondsOf; // CPU seconds, so a loaded machine does not fail the bound

inline Rtf::CharFormat format(std::string face, int halfPoints, bool bold = false) {
    Rtf::CharFormat f;
    f.face = std::move(face);
    f.halfPoints = halfPoints;
    f.bold = bold;
    return f;
}

// A font as the reader gives it: named, in the document code page.
inline Rtf::CharFormat readFormat(std::string face, int halfPoints = 24) {
    Rtf::CharFormat f = format(std::move(face), halfPoints);
    f.charset = 0;
    return f;
}
