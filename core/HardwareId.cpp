// Hardware-id matching for the supported camera.
#include "core/HardwareId.h"

#include <algorithm>

namespace {

constexpr std::string_view kCameraFragment = "VID_E5A7&PID_19C4";
constexpr std::size_t kWorkBufferSize = 1024;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool MatchHardwareId(std::string_view text) {
    // The copy stops at the terminator or when the buffer is full, whatever the input's length.
    char work[kWorkBufferSize];
    std::size_t length = 0;
    while (length < text.size() && length < kWorkBufferSize - 1 && text[length] != '\0') {
        work[length] = UpperAscii(text[length]);
        ++length;
    }
    return std::string_view(work, length).find(kCameraFragment) != std::string_view::npos;
}

std::string_view FirstHardwareIdString(const char* value, std::size_t size) {
    if (value == nullptr)
        return {};
    const char* end = std::find(value, value + size, '\0');
    return std::string_view(value, static_cast<std::size_t>(end - value));
}
