#include "Object.h"

#include <cstdlib>
#include <cstring>

void BaseObject::RunDestroyNotifications()
{
    EventOf<void, BaseObject*> notify = OnDestroy;
    OnDestroy = {};
    if (notify)
        notify(this);

    PtrList* list = AutoFreeList;
    AutoFreeList = nullptr;
    if (list) {
        for (int k = 0; k + 1 < list->Count; k += 2) {
            auto freeProc = reinterpret_cast<void (*)(BaseObject*)>((*list)[k]);
            freeProc(static_cast<BaseObject*>((*list)[k + 1]));
        }
        Free(list);
    }
}

void BaseObject::Destroy()
{
    RunDestroyNotifications();
    delete this;
}

void AddRef(BaseObject* object)
{
    object->RefCount += 2;
}

void Release(BaseObject* object)
{
    object->RefCount -= 2;
    if (object->RefCount < 0 && (object->RefCount & 1))
        object->Destroy();
}

void Free(BaseObject* object)
{
    int32_t holders = object->RefCount >> 1;
    bool marked = object->RefCount & 1;
    if (marked)
        return;
    if (holders == 0) {
        // -1 while Destroy runs, like after a holder's final Release: a Free from inside
        // the destruction (a window message, a notification) then finds the mark and stops.
        object->RefCount = -1;
        object->Destroy();
    } else {
        object->RefCount -= 1;
    }
}

bool IsHeld(const BaseObject* object)
{
    return (object->RefCount >> 1) > 0;
}

bool IsFreeRequested(const BaseObject* object)
{
    return (object->RefCount & 1) != 0;
}

bool IsBeingDestroyed(const BaseObject* object)
{
    return object->RefCount < 0;
}

bool ScopedHold::ReleaseNow()
{
    BaseObject* object = object_;
    object_ = nullptr;
    // The mark with this hold as the only one left: the release takes the count to -1.
    bool destroys = object->RefCount == 1;
    Release(object);
    return destroys;
}

void FreeIfSet(BaseObject* object)
{
    if (object)
        Free(object);
}

void AttachAutoFree(BaseObject* owner, BaseObject* object)
{
    if (!owner->AutoFreeList)
        owner->AutoFreeList = NewPtrList();
    owner->AutoFreeList->Insert(0, object);
    owner->AutoFreeList->Insert(0, reinterpret_cast<void*>(&FreeIfSet));
}

PtrList* NewPtrList()
{
    PtrList* list = NewObject<PtrList>();
    list->GrowBy = 4;
    return list;
}

void PtrList::Destroy()
{
    Clear();
    BaseObject::Destroy();
}

int PtrList::Add(void* item)
{
    int index = Count;
    Count += 1;
    if (index >= Capacity) {
        if (GrowBy <= 0)
            GrowBy = 4;
        SetCapacity(index + GrowBy);
    }
    Items[index] = item;
    return index;
}

void PtrList::Insert(int index, void* item)
{
    int oldCount = Add(nullptr);
    std::memmove(Items + index + 1, Items + index, (oldCount - index) * sizeof(void*));
    Items[index] = item;
}

void PtrList::DeleteRange(int index, int count)
{
    if (count <= 0)
        return;
    if (index + count > Count)
        count = Count - index;
    Count -= count;
    std::memmove(Items + index, Items + index + count, (Count - index) * sizeof(void*));
}

int PtrList::IndexOf(const void* item) const
{
    for (int i = 0; i < Count; ++i)
        if (Items[i] == item)
            return i;
    return -1;
}

void PtrList::Remove(const void* item)
{
    int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
}

void PtrList::Clear()
{
    std::free(Items);
    Items = nullptr;
    Count = Capacity = 0;
}

void PtrList::SetCapacity(int capacity)
{
    if (capacity < Count)
        capacity = Count;
    if (capacity == Capacity)
        return;
    void** grown = static_cast<void**>(std::realloc(Items, capacity * sizeof(void*)));
    if (!grown && capacity > 0)
        std::abort(); // out of memory: stop rather than write past the array
    Items = grown;
    Capacity = capacity;
}
