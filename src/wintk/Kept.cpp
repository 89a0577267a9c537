#include "Kept.h"

void KeptEntries::Add(const std::wstring& path, DWORD reason)
{
    if (first_.size() < Stored)
        first_.push_back({path, reason});
    ++count_;
}

void KeptEntries::push_back(KeptEntry entry)
{
    if (first_.size() < Stored)
        first_.push_back(std::move(entry));
    ++count_;
}

void KeptEntries::Append(const KeptEntries& more, const std::wstring& prefix)
{
    for (const KeptEntry& entry : more.first_)
        if (first_.size() < Stored)
            first_.push_back({prefix + entry.Path, entry.Reason});
    count_ += more.count_;
}

void KeptEntries::clear()
{
    first_.clear();
    count_ = 0;
}
