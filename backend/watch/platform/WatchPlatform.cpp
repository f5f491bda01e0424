#include "WatchPlatform.h"

#include "linux/LinuxWatchPlatform.h"

namespace {
WatchPlatform* installed = nullptr;
}

WatchPlatform& WatchPlatform::current()
{
    if (installed)
        return *installed;
    static LinuxWatchPlatform linuxPlatform;
    return linuxPlatform;
}

void WatchPlatform::install(WatchPlatform* platform)
{
    installed = platform;
}
