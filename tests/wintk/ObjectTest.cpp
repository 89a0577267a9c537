// Reference counting, the destroy notification, objects that die with their owner, and
// the growable pointer list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wintk/Object.h"

namespace {

using Journal = std::vector<std::string>;

// Writes each Destroy and each release of its storage into a journal, so that a second
// destruction or a wrong order shows up.
class Probe : public BaseObject {
public:
    void Destroy() override
    {
        Log->push_back(Name);
        BaseObject::Destroy();
    }
    Journal* Log = nullptr;
    std::string Name;

protected:
    ~Probe() override { Log->push_back(Name + " storage"); }
};

Probe* NewProbe(Journal& log, const char* name)
{
    Probe* probe = NewObject<Probe>();
    probe->Log = &log;
    probe->Name = name;
    return probe;
}

TEST(RefCount, FreeDestroysAtOnceOrAtTheLastHoldersRelease)
{
    Journal log;
    Free(NewProbe(log, "fresh"));
    EXPECT_EQ(log, (Journal{"fresh", "fresh storage"}));

    log.clear();
    Probe* held = NewProbe(log, "held");
    AddRef(held);
    Release(held); // a hold without a free keeps the object
    AddRef(held);
    AddRef(held);
    Free(held);
    Free(held); // a free already pending: ignored
    Release(held);
    EXPECT_TRUE(log.empty()) << "destroyed while a holder remained";
    Release(held);
    EXPECT_EQ(log, (Journal{"held", "held storage"}));
}

// A notification that frees its sender again, as a window message during destruction can.
void FreeSenderAgain(void* calls, BaseObject* sender)
{
    ++*static_cast<int*>(calls);
    Free(sender);
}

TEST(RefCount, FreeDuringDestructionIsIgnored)
{
    for (bool held : {false, true}) {
        Journal log;
        int calls = 0;
        Probe* probe = NewProbe(log, "a");
        probe->OnDestroy = {FreeSenderAgain, &calls};
        if (held) {
            AddRef(probe);
            Free(probe);
            Release(probe);
        } else {
            Free(probe);
        }
        EXPECT_EQ(calls, 1) << "held " << held;
        EXPECT_EQ(log, (Journal{"a", "a storage"})) << "held " << held;
    }
}

TEST(AutoFree, AttachedObjectsDieLastAttachedFirstBeforeTheOwnersStorage)
{
    Journal log;
    Probe* owner = NewProbe(log, "owner");
    AttachAutoFree(owner, NewProbe(log, "a"));
    AttachAutoFree(owner, nullptr); // skipped when the owner dies
    AttachAutoFree(owner, NewProbe(log, "b"));
    AttachAutoFree(owner, NewProbe(log, "c"));
    Free(owner);
    EXPECT_EQ(log, (Journal{"owner", "c", "c storage", "b", "b storage", "a", "a storage", "owner storage"}));
}

// Entries are only compared, never followed: small integers serve as pointers.
void* P(int n)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(n));
}

std::vector<int> Entries(const PtrList* list)
{
    std::vector<int> entries;
    for (int i = 0; i < list->Count; ++i)
        entries.push_back(static_cast<int>(reinterpret_cast<intptr_t>((*list)[i])));
    return entries;
}

TEST(PtrList, GrowsByGrowByEntriesAndKeepsItsContents)
{
    PtrList* list = NewPtrList();
    EXPECT_EQ(list->Capacity, 0);
    EXPECT_EQ(list->Items, nullptr);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(list->Add(P(i)), i - 1);
    EXPECT_EQ(list->Capacity, 4);
    list->Add(P(5));
    EXPECT_EQ(list->Capacity, 8);
    for (int i = 6; i <= 300; ++i)
        list->Add(P(i));
    EXPECT_EQ(list->Capacity, 300); // linear growth, 4 at a time
    std::vector<int> expected;
    for (int i = 1; i <= 300; ++i)
        expected.push_back(i);
    EXPECT_EQ(Entries(list), expected);
    Free(list);

    for (int growBy : {0, -3}) {
        PtrList* odd = NewPtrList();
        odd->GrowBy = growBy;
        odd->Add(P(1));
        EXPECT_EQ(odd->Capacity, 4) << "GrowBy " << growBy;
        Free(odd);
    }
}

TEST(PtrList, EditingKeepsTheOrderOfTheOtherEntries)
{
    PtrList* list = NewPtrList();
    EXPECT_EQ(list->IndexOf(P(1)), -1);
    for (int i = 1; i <= 3; ++i)
        list->Add(P(i));
    list->Insert(0, P(9));
    list->Insert(list->Count, P(8)); // the full array grows here
    list->Insert(2, P(5));
    EXPECT_EQ(Entries(list), (std::vector<int>{9, 1, 5, 2, 3, 8}));

    list->DeleteRange(1, 0);
    list->DeleteRange(1, -2);
    list->Delete(1);
    EXPECT_EQ(Entries(list), (std::vector<int>{9, 5, 2, 3, 8}));
    list->Add(P(5));
    EXPECT_EQ(list->IndexOf(P(5)), 1);
    list->Remove(P(5)); // only the first of two
    list->Remove(P(7));
    EXPECT_EQ(Entries(list), (std::vector<int>{9, 2, 3, 8, 5}));
    list->DeleteRange(2, 10);
    EXPECT_EQ(Entries(list), (std::vector<int>{9, 2}));
    EXPECT_EQ(list->Capacity, 8) << "the array never shrinks";
    Free(list);
}

TEST(PtrList, SetCapacityNeverDropsEntriesAndClearReleasesTheArray)
{
    PtrList* list = NewPtrList();
    for (int i = 1; i <= 6; ++i)
        list->Add(P(i));
    list->SetCapacity(2);
    EXPECT_EQ(list->Capacity, 6);
    list->SetCapacity(20);
    EXPECT_EQ(list->Capacity, 20);
    EXPECT_EQ(Entries(list), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    list->Clear();
    EXPECT_EQ(list->Count, 0);
    EXPECT_EQ(list->Capacity, 0);
    EXPECT_EQ(list->Items, nullptr);
    list->Add(P(1));
    EXPECT_EQ(Entries(list), (std::vector<int>{1}));
    Free(list);
}

} // namespace
