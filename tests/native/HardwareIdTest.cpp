// Recognising the camera's hardware id, and reading the first string of a property value.
#include "core/HardwareId.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

TEST(MatchHardwareId, TheFragmentInAnyCaseBeforeTheFirstZeroByteWithinTheWorkingBuffer) {
    const struct {
        std::string id;
        bool matches;
    } cases[] = {
        {"USB\\VID_E5A7&PID_19C4&REV_0100", true},
        {"usb\\vid_e5a7&pid_19c4&rev_0100", true},
        {"VID_E5A7&PID_19C4", true},
        {"xxVid_e5A7&pId_19C4", true},
        {"", false},
        {"USB\\VID_E5A7&PID_19C5&REV_0100", false},
        {"USB\\VID_E5A7 PID_19C4", false},
        {"USB\\VID_E5A7&PID_19C", false},
        {"USB\\VID-E5A7&PID-19C4", false},
        // The whole fragment lies after the zero byte: only a search that stops there misses it.
        {std::string("USB\\\0VID_E5A7&PID_19C4", 22), false},
        // The working copy holds 1,023 characters: a fragment that ends there matches, one that
        // ends a character later does not, and nothing overruns (the sanitizers watch).
        {std::string(1023 - 17, 'x') + "VID_E5A7&PID_19C4", true},
        {std::string(1024 - 17, 'x') + "VID_E5A7&PID_19C4", false},
        {std::string(1 << 20, 'v'), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchHardwareId(c.id), c.matches) << c.id.size() << " bytes: " << c.id.substr(0, 40);
}

TEST(FirstHardwareIdString, TakesOnlyTheFirstStringOfTheListEndingAnUnterminatedOneAtItsSize) {
    const char list[] = "USB\\VID_0000&PID_0000\0USB\\VID_E5A7&PID_19C4\0";
    EXPECT_EQ(FirstHardwareIdString(list, sizeof list), "USB\\VID_0000&PID_0000");
    EXPECT_EQ(FirstHardwareIdString(nullptr, 10), "");
    EXPECT_EQ(FirstHardwareIdString("abc", 0), "");
    EXPECT_EQ(FirstHardwareIdString("\0abc", 4), "");
    // Exactly 512 bytes without a terminator, in a heap block of that size: the sanitizer
    // catches any read past it.
    auto value = std::make_unique<char[]>(512);
    std::fill_n(value.get(), 512, 'A');
    const std::string_view first = FirstHardwareIdString(value.get(), 512);
    EXPECT_EQ(first.size(), 512u);
    EXPECT_FALSE(MatchHardwareId(first));
    std::memcpy(value.get() + 512 - 17, "VID_E5A7&PID_19C4", 17);
    EXPECT_TRUE(MatchHardwareId(FirstHardwareIdString(value.get(), 512)));
}
