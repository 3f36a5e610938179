#pragma once

// kavCast<T>(p): dynamic_cast<T *>(p) remembered per dynamic type. A cast that fails, or
// crosses to another base, walks the type hierarchy every time; the engine and the page
// drawing ask the same few questions of every object they touch, so each call site keeps
// the answers for the last few types it saw (an object's offset to a base is fixed by its
// type).

#include <cstddef>
#include <limits>
#include <typeinfo>

template <class T, class S>
T *kavCast(S *p)
{
    if (!p)
        return nullptr;
    constexpr std::ptrdiff_t fails = std::numeric_limits<std::ptrdiff_t>::min();
    struct Known
    {
        const std::type_info *type = nullptr;
        std::ptrdiff_t offset = 0;
    };
    thread_local Known known[8];
    thread_local unsigned next = 0;
    const std::type_info *type = &typeid(*p);
    const char *bytes = reinterpret_cast<const char *>(p);
    for (const Known &k : known)
        if (k.type == type)
            return k.offset == fails ? nullptr : reinterpret_cast<T *>(const_cast<char *>(bytes + k.offset));
    T *result = dynamic_cast<T *>(p);
    known[next++ % 8] = {type, result ? reinterpret_cast<const char *>(result) - bytes : fails};
    return result;
}
