#include "framework/ui/Platform.h"

namespace {
std::unique_ptr<TPlatform>& installed() {
    static std::unique_ptr<TPlatform> platform;
    return platform;
}
} // namespace

TPlatform& Platform() {
    auto& platform = installed();
    if (!platform) {
        platform = MakeQtPlatform();
    }
    return *platform;
}

void SetPlatform(std::unique_ptr<TPlatform> platform) {
    installed() = std::move(platform);
}
