// Recognising the supported camera by the hardware id that the device inventory reports.
#pragma once

#include <cstddef>
#include <string_view>

// True when the text, upper-cased, contains "VID_E5A7&PID_19C4". The text ends at its first zero
// byte or at the end of the view, whichever comes first; it is examined in a 1,024-byte working
// copy, so at most its first 1,023 characters count.
bool MatchHardwareId(std::string_view text);

// The first string of a hardware-id property value: a list of zero-terminated strings of `size`
// bytes as the inventory returned it. The result ends at the first zero byte or at the end of the
// value, so an unterminated value is never read past its size.
std::string_view FirstHardwareIdString(const char* value, std::size_t size);
