#include "Kept.h"

#include <algorithm>

#include "ShortText.h"

void KeptEntries::Add(const std::wstring& path, DWORD reason)
{
    if (first_.size() < Stored)
        first_.push_back({WarningExcerpt(path), reason});
    ++count_;
    AddReason(reason);
}

void KeptEntries::AddReason(DWORD reason)
{
    if (std::find(reasons_.begin(), reasons_.end(), reason) == reasons_.end())
        reasons_.push_back(reason);
}

void KeptEntries::Append(const KeptEntries& more, const std::wstring& prefix)
{
    for (const KeptEntry& entry : more.first_)
        if (first_.size() < Stored)
            first_.push_back({prefix + entry.Path, entry.Reason});
    count_ += more.count_;
    for (DWORD reason : more.reasons_)
        AddReason(reason);
}

void KeptEntries::clear()
{
    first_.clear();
    count_ = 0;
    reasons_.clear();
}
