#include "framework/StringList.h"

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"

#include <algorithm>

void TStringList::checkIndex(int index, int limit) const {
    if (index < 0 || index >= limit) {
        throw EListError(Format("List index out of bounds (%d)", index));
    }
}

const std::string& TStringList::Get(int index) const {
    checkIndex(index, Count());
    return lines_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, std::string line) {
    checkIndex(index, Count());
    lines_[static_cast<size_t>(index)] = std::move(line);
}

int TStringList::Add(std::string line) {
    int index = Count();
    if (sorted_) {
        Find(line, index);
    }
    lines_.insert(lines_.begin() + index, std::move(line));
    return index;
}

void TStringList::Insert(int index, std::string line) {
    if (sorted_) {
        throw EListError("Operation not allowed on sorted list");
    }
    checkIndex(index, Count() + 1);
    lines_.insert(lines_.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
    checkIndex(index, Count());
    lines_.erase(lines_.begin() + index);
}

int TStringList::IndexOf(std::string_view s) const {
    if (sorted_) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i) {
        if (CompareStrings(lines_[static_cast<size_t>(i)], s) == 0) {
            return i;
        }
    }
    return -1;
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::stable_sort(lines_.begin(), lines_.end(),
                         [this](const auto& a, const auto& b) { return CompareStrings(a, b) < 0; });
    }
    sorted_ = sorted;
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    lines_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    if (sorted_) {
        sorted_ = false;
        SetSorted(true);
    }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return AnsiCompareText(a, b);
}

bool TStringList::Find(std::string_view s, int& index) const {
    int lo = 0;
    int hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareStrings(lines_[static_cast<size_t>(mid)], s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
            }
        }
    }
    index = lo;
    return found;
}
