#pragma once

#include <sys/resource.h>

#include <csignal>

// Caps the size of the files this process writes, as a full disk would: a write past the cap is
// cut short and the next one fails. Unlike a read-only folder, it holds for root too.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};
