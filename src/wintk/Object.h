#pragma once
// Reference-counted objects with a destroy notification and objects that die with them,
// and the growable pointer list the toolkit keeps its children and handlers in.
#include <cstdint>

class BaseObject;
class PtrList;

// A procedure and the context it is called with.
template <class R, class... Args>
struct EventOf {
    R (*Proc)(void* context, Args...) = nullptr;
    void* Context = nullptr;
    explicit operator bool() const { return Proc != nullptr; }
    R operator()(Args... args) const { return Proc(Context, args...); }
};

// RefCount holds twice the number of holders; its lowest bit marks a requested free,
// which the last holder's Release carries out. Only Object.cpp reads it: everything else
// asks IsHeld, IsFreeRequested and IsBeingDestroyed.
class BaseObject {
public:
    BaseObject() = default;
    BaseObject(const BaseObject&) = delete;
    BaseObject& operator=(const BaseObject&) = delete;

    virtual void Init() {}
    // Runs the notifications and releases the storage; kinds override it and end with this.
    virtual void Destroy();

    int32_t RefCount = 0;
    EventOf<void, BaseObject*> OnDestroy;
    PtrList* AutoFreeList = nullptr; // pairs (free procedure, object)

protected:
    virtual ~BaseObject() = default;
    // The first two steps of Destroy; safe to run early, since each takes its field out first.
    void RunDestroyNotifications();
};

template <class T>
T* NewObject()
{
    T* object = new T;
    object->Init();
    return object;
}

void AddRef(BaseObject* object);
void Release(BaseObject* object);
void Free(BaseObject* object);
void FreeIfSet(BaseObject* object);

// The state of the count, for code that must know whether it may still touch an object.
// Someone holds the object (AddRef without its Release yet).
bool IsHeld(const BaseObject* object);
// Free was called while it was held: the last holder's Release destroys it.
bool IsFreeRequested(const BaseObject* object);
// Destroy has begun (the count is negative); nothing more may be dispatched to it.
bool IsBeingDestroyed(const BaseObject* object);

// Holds an object for the length of a block: a Free meanwhile only marks it, and the
// release at the end of the block destroys it then.
class ScopedHold {
public:
    explicit ScopedHold(BaseObject* object) : object_(object) { AddRef(object); }
    ~ScopedHold()
    {
        if (object_)
            Release(object_);
    }
    ScopedHold(const ScopedHold&) = delete;
    ScopedHold& operator=(const ScopedHold&) = delete;
    // Releases before the end of the block; true when that destroyed the object, which
    // the caller must then no longer touch.
    bool ReleaseNow();

private:
    BaseObject* object_; // held, not owned
};
// object is freed when owner is destroyed; the last attached is freed first.
void AttachAutoFree(BaseObject* owner, BaseObject* object);

// An OnDestroy procedure that clears the reference it is given as context, so that a
// global pointing at an object never outlives it: {ClearReference<T>, &reference}.
template <class T>
void ClearReference(void* reference, BaseObject*)
{
    *static_cast<T**>(reference) = nullptr;
}

class PtrList : public BaseObject {
public:
    void Destroy() override;

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index) { DeleteRange(index, 1); }
    void DeleteRange(int index, int count);
    int IndexOf(const void* item) const;
    void Remove(const void* item);
    void Clear();
    void SetCapacity(int capacity);
    void* operator[](int index) const { return Items[index]; }

    void** Items = nullptr; // never owns what the entries point to
    int32_t Count = 0;
    int32_t Capacity = 0;
    int32_t GrowBy = 4;
};

PtrList* NewPtrList();
