// Reference counting with the free mark, objects that die with their owner, and the
// growable pointer list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wintk/Object.h"

namespace {

std::vector<std::string> deaths;

// Journals the death of the object its context names, then frees the object again, as a
// window message during a destruction can: a second destruction would show up.
void Died(void* name, BaseObject* object)
{
    deaths.push_back(static_cast<const char*>(name));
    Free(object);
}

BaseObject* Named(const char* name)
{
    BaseObject* object = NewObject<BaseObject>();
    object->OnDestroy = {Died, const_cast<char*>(name)};
    return object;
}

TEST(Object, FreeWaitsForTheLastHolderAndAttachedObjectsDieLastAttachedFirst)
{
    deaths.clear();
    BaseObject* held = Named("held");
    AddRef(held);
    Release(held); // a hold without a free keeps the object
    AddRef(held);
    AddRef(held);
    Free(held);
    Free(held); // a free already pending: ignored
    Release(held);
    EXPECT_TRUE(deaths.empty()) << "destroyed while a holder remained";
    Release(held);
    EXPECT_EQ(deaths, std::vector<std::string>{"held"});

    deaths.clear();
    BaseObject* owner = Named("owner");
    AttachAutoFree(owner, Named("a"));
    AttachAutoFree(owner, nullptr); // skipped when the owner dies
    AttachAutoFree(owner, Named("b"));
    Free(owner);
    EXPECT_EQ(deaths, (std::vector<std::string>{"owner", "b", "a"}));
}

bool heldWhileDying, markedWhileDying, dyingWhileDying;

void Inspect(void*, BaseObject* object)
{
    heldWhileDying = IsHeld(object);
    markedWhileDying = IsFreeRequested(object);
    dyingWhileDying = IsBeingDestroyed(object);
}

TEST(Object, TheCountIsReadThroughItsNamedStatesAndAScopedHoldTellsWhetherItsReleaseDestroyed)
{
    deaths.clear();
    BaseObject* object = Named("scoped");
    EXPECT_FALSE(IsHeld(object));
    {
        ScopedHold outer(object);
        EXPECT_TRUE(IsHeld(object));
        EXPECT_FALSE(IsFreeRequested(object));
        ScopedHold inner(object);
        Free(object);
        EXPECT_TRUE(IsFreeRequested(object));
        EXPECT_FALSE(IsBeingDestroyed(object));
        EXPECT_FALSE(inner.ReleaseNow()) << "the outer hold is still there";
        EXPECT_TRUE(deaths.empty());
    } // the outer hold's release carries the free out
    EXPECT_EQ(deaths, std::vector<std::string>{"scoped"});

    BaseObject* freed = NewObject<BaseObject>();
    freed->OnDestroy = {Inspect, nullptr};
    ScopedHold hold(freed);
    Free(freed);
    EXPECT_TRUE(hold.ReleaseNow()) << "the last hold's release destroys a marked object";
    EXPECT_FALSE(heldWhileDying);
    EXPECT_TRUE(markedWhileDying);
    EXPECT_TRUE(dyingWhileDying) << "a dispatch must skip an object in its Destroy";

    BaseObject* unmarked = NewObject<BaseObject>();
    {
        ScopedHold once(unmarked);
        EXPECT_FALSE(once.ReleaseNow()) << "no free requested: the object stays";
    }
    EXPECT_FALSE(IsHeld(unmarked));
    Free(unmarked);
}

TEST(PtrList, GrowsFourAtATimeAndEditsKeepTheOrderOfTheOtherEntries)
{
    // Entries are only compared, never followed: small integers serve as pointers.
    auto p = [](intptr_t n) { return reinterpret_cast<void*>(n); };
    auto entries = [](const PtrList* list) {
        std::vector<intptr_t> items;
        for (int i = 0; i < list->Count; ++i)
            items.push_back(reinterpret_cast<intptr_t>((*list)[i]));
        return items;
    };
    PtrList* list = NewPtrList();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(list->Add(p(i)), i - 1);
    EXPECT_EQ(list->Capacity, 4);
    list->Insert(0, p(9)); // the full array grows here
    list->Insert(list->Count, p(8));
    list->Insert(2, p(5));
    EXPECT_EQ(list->Capacity, 8);
    EXPECT_EQ(entries(list), (std::vector<intptr_t>{9, 1, 5, 2, 3, 4, 8}));

    list->DeleteRange(1, 0);
    list->DeleteRange(1, -2);
    list->Delete(1);
    list->Add(p(5));
    EXPECT_EQ(list->IndexOf(p(5)), 1);
    list->Remove(p(5)); // only the first of two
    list->Remove(p(7));
    EXPECT_EQ(entries(list), (std::vector<intptr_t>{9, 2, 3, 4, 8, 5}));
    list->DeleteRange(2, 10); // clipped to the end
    EXPECT_EQ(entries(list), (std::vector<intptr_t>{9, 2}));
    list->SetCapacity(1); // never below the count
    EXPECT_EQ(list->Capacity, 2);
    Free(list);
}

} // namespace
