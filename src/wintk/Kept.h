#pragma once
// What a removal had to leave: how many entries, and the first of them as the warning shows
// them, each with the Windows error that kept it. The warning names ten and counts the rest;
// a user's hive or a tree in a game folder can hold millions, each path up to tens of
// millions of characters long, and the program is 32-bit, so only those ten are ever stored,
// and of each only its excerpt (WarningExcerpt): the whole path is never copied. Reads like a
// vector of what is stored, except that size() is the count of all.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "Win.h"

struct KeptEntry {
    std::wstring Path; // its excerpt, once stored
    DWORD Reason;
};

class KeptEntries {
public:
    static constexpr size_t Stored = 10;

    KeptEntries() = default;
    KeptEntries(std::initializer_list<KeptEntry> entries)
    {
        for (const KeptEntry& entry : entries)
            push_back(entry);
    }

    // An excerpt of path is stored only while fewer than Stored are kept.
    void Add(const std::wstring& path, DWORD reason);
    void push_back(const KeptEntry& entry) { Add(entry.Path, entry.Reason); }
    // The entries of more after these, their excerpts behind prefix (a plain root name).
    void Append(const KeptEntries& more, const std::wstring& prefix = std::wstring());
    void clear();

    size_t size() const { return count_; }
    // Each reason of every entry, stored or only counted, once.
    const std::vector<DWORD>& Reasons() const { return reasons_; }
    bool empty() const { return count_ == 0; }
    const KeptEntry& operator[](size_t i) const { return first_[i]; }
    std::vector<KeptEntry>::const_iterator begin() const { return first_.begin(); }
    std::vector<KeptEntry>::const_iterator end() const { return first_.end(); }

private:
    std::vector<KeptEntry> first_; // the first Stored of them at most
    size_t count_ = 0;
    std::vector<DWORD> reasons_;
    void AddReason(DWORD reason);
};
