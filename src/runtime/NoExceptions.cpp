// Run-time support of Tessaly.exe: the program is built without exceptions, so an
// allocation that fails or a container asked for too much stops the process at once.
// Replacing these keeps the library's exception and unwinding machinery (over 200 KiB)
// out of the executable. The tests link the ordinary versions.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size)
{
    if (void* p = std::malloc(size ? size : 1))
        return p;
    std::abort();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

#if defined(__GLIBCXX__)
// The out-of-line error paths of std::string and std::vector.
namespace std {
void __throw_length_error(const char*)
{
    std::abort();
}
void __throw_logic_error(const char*)
{
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}
void __throw_bad_alloc()
{
    std::abort();
}
void __throw_bad_array_new_length()
{
    std::abort();
}
} // namespace std
#endif
