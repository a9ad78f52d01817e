#include "net/Nmextstr.h"

#include "framework/SysUtils.h"

namespace {

// The text of a line up to and including its first colon, or the whole line
// when it has none. Ordering lines by this key agrees with ordering them by
// their whole text, so it can drive a binary search of a sorted list.
std::string_view nameKey(std::string_view line) {
    const size_t colon = line.find(':');
    return colon == std::string_view::npos ? line : line.substr(0, colon + 1);
}

} // namespace

int TExStringList::findSorted(std::string_view name) const {
    std::string target(name);
    target += ':';
    int lo = 0;
    int hi = Count() - 1;
    int found = -1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareStrings(nameKey(Get(mid)), target);
        if (c < 0) {
            lo = mid + 1;
        } else {
            if (c == 0) {
                found = mid; // keep looking left for the first one
            }
            hi = mid - 1;
        }
    }
    // The key of a line without ":" can only equal the target when the name
    // itself ends in ":", which no line name can.
    return found;
}

int TExStringList::IndexOfName(std::string_view name) const {
    if (Sorted()) {
        return findSorted(name);
    }
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = Get(i);
        const size_t colon = line.find(':');
        if (colon != std::string::npos &&
            AnsiSameText(std::string_view(line).substr(0, colon), name)) {
            return i;
        }
    }
    return -1;
}

std::string TExStringList::GetValue(std::string_view name) const {
    const int index = IndexOfName(name);
    if (index < 0) {
        return {};
    }
    const std::string& line = Get(index);
    std::string value = Copy(line, static_cast<std::int64_t>(name.size()) + 2,
                             static_cast<std::int64_t>(line.size()));
    if (!value.empty() && value.front() == ' ') {
        value.erase(0, 1);
    }
    return value;
}

void TExStringList::SetValue(std::string_view name, std::string_view value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) {
            Delete(index);
        }
        return;
    }
    std::string line(name);
    line += ": ";
    line += value;
    if (index >= 0) {
        // same name, same place: the order of lines stays the order of first setting
        Put(index, std::move(line));
    } else {
        // a sorted list puts the new line where it belongs, not in an empty
        // line at its head
        Add(std::move(line));
    }
}
