// The virtual camera's state files as any bytes, as a torn write or a hand edit could leave them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "libs/RevezoDaRur/CameraState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<CameraState> state = ParseState(text);
    if (!state)
        return 0;
    // What parses is written back as text that parses to the same state.
    const std::string formatted = FormatState(*state);
    const std::optional<CameraState> again = ParseState(formatted);
    if (!again || FormatState(*again) != formatted)
        __builtin_trap();
    // A key the text leaves out keeps its default: a default state's file before it changes nothing.
    const std::optional<CameraState> overDefaults =
        ParseState(FormatState(CameraState{}) + std::string(text));
    if (!overDefaults || FormatState(*overDefaults) != formatted)
        __builtin_trap();
    // Each file holds its own keys only: the settings file leaves the counters at their defaults.
    const std::optional<CameraState> settings = ParseState(FormatSettings(state->settings));
    if (!settings || FormatCounters(settings->counters) != FormatCounters(CameraCounters{}) ||
        FormatSettings(settings->settings) != FormatSettings(state->settings))
        __builtin_trap();
    return 0;
}
