#pragma once

// A lowered file size limit that makes writes fail: the full disk of the fault tests.

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

// Lowers the file size limit of this process for the guard's lifetime; writes beyond it
// fail (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = FOld;
        lowered.rlim_cur = limit;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};
