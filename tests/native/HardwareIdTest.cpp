// Recognising the camera's hardware id, and reading the first string of a property value.
#include "core/HardwareId.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

TEST(MatchHardwareId, MatchesTheFragmentInAnyCaseWithPrefixAndSuffix) {
    EXPECT_TRUE(MatchHardwareId("USB\\VID_E5A7&PID_19C4&REV_0100"));
    EXPECT_TRUE(MatchHardwareId("usb\\vid_e5a7&pid_19c4&rev_0100"));
    EXPECT_TRUE(MatchHardwareId("VID_E5A7&PID_19C4"));
    EXPECT_TRUE(MatchHardwareId("xxVid_e5A7&pId_19C4"));
}

TEST(MatchHardwareId, RejectsNeighboursOfTheFragment) {
    EXPECT_FALSE(MatchHardwareId(""));
    EXPECT_FALSE(MatchHardwareId("USB\\VID_E5A7&PID_19C5&REV_0100"));
    EXPECT_FALSE(MatchHardwareId("USB\\VID_E5A7 PID_19C4"));
    EXPECT_FALSE(MatchHardwareId("USB\\VID_E5A7&PID_19C"));
    EXPECT_FALSE(MatchHardwareId("USB\\VID-E5A7&PID-19C4"));
}

TEST(MatchHardwareId, TextEndsAtItsFirstZeroByte) {
    // The whole fragment lies after the zero byte: only a search that stops there misses it.
    const std::string after("USB\\\0VID_E5A7&PID_19C4", 22);
    ASSERT_EQ(after.find("VID_E5A7&PID_19C4"), 5u);
    EXPECT_FALSE(MatchHardwareId(after));
}

TEST(MatchHardwareId, LongTextIsCutAtTheWorkingBufferNotReadPastIt) {
    // The working copy holds 1,023 characters: a fragment that ends there matches, one that
    // ends a character later does not, and nothing overruns (the sanitizers watch the buffer).
    const std::string fragment = "VID_E5A7&PID_19C4";
    const std::string fits = std::string(1023 - fragment.size(), 'x') + fragment;
    const std::string cut = std::string(1024 - fragment.size(), 'x') + fragment;
    EXPECT_TRUE(MatchHardwareId(fits));
    EXPECT_FALSE(MatchHardwareId(cut));
    EXPECT_FALSE(MatchHardwareId(std::string(1 << 20, 'v')));
}

TEST(FirstHardwareIdString, TakesOnlyTheFirstStringOfTheList) {
    const char value[] = "USB\\VID_0000&PID_0000\0USB\\VID_E5A7&PID_19C4\0";
    EXPECT_EQ(FirstHardwareIdString(value, sizeof value), "USB\\VID_0000&PID_0000");
    EXPECT_FALSE(MatchHardwareId(FirstHardwareIdString(value, sizeof value)));
}

TEST(FirstHardwareIdString, UnterminatedValueEndsAtItsSize) {
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

TEST(FirstHardwareIdString, EmptyAndNullValues) {
    EXPECT_EQ(FirstHardwareIdString(nullptr, 10), "");
    EXPECT_EQ(FirstHardwareIdString("abc", 0), "");
    EXPECT_EQ(FirstHardwareIdString("\0abc", 4), "");
}
