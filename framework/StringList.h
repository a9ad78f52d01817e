#pragma once

#include <string>
#include <string_view>
#include <vector>

// Ordered lines of text. With the sorted flag on, Add keeps the lines in the
// order of CompareStrings (by default without regard to letter case).
class TStringList {
public:
    TStringList() = default;
    virtual ~TStringList() = default;
    TStringList(const TStringList&) = default;
    TStringList& operator=(const TStringList&) = default;

    int Count() const { return static_cast<int>(lines_.size()); }
    // Raises EListError for an index outside 0..Count-1.
    const std::string& Get(int index) const;
    void Put(int index, std::string line);
    const std::string& operator[](int index) const { return Get(index); }

    // Returns the index the line went to.
    int Add(std::string line);
    // Raises EListError for an index outside 0..Count, or on a sorted list.
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear() { lines_.clear(); }

    // Index of the first line equal to s under CompareStrings, or -1.
    int IndexOf(std::string_view s) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // The lines, each followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR.
    void SetText(std::string_view text);

    const std::vector<std::string>& Lines() const { return lines_; }

protected:
    virtual int CompareStrings(std::string_view a, std::string_view b) const;
    // Binary search in a sorted list: true and the index when found, else false
    // and the index where the line would go.
    bool Find(std::string_view s, int& index) const;

private:
    void checkIndex(int index, int limit) const;

    std::vector<std::string> lines_;
    bool sorted_ = false;
};
