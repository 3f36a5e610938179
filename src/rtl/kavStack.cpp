#include "kavStack.h"

#include <pthread.h>

#include <algorithm>

namespace {

struct StackBounds
{
    const char *low = nullptr;
    std::size_t size = 0;
};

StackBounds queryStack()
{
    StackBounds b;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0)
        return b;
    void *low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        b.low = static_cast<const char *>(low);
        b.size = size;
    }
    pthread_attr_destroy(&attr);
    return b;
}

} // namespace

const char *kavStackLimit(std::size_t reserve)
{
    // Querying reads the process's memory map for the main thread: once per thread.
    thread_local const StackBounds bounds = queryStack();
    if (!bounds.low)
        return nullptr;
    return bounds.low + std::min(reserve, bounds.size / 4);
}
