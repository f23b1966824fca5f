// The virtual camera's state files as any bytes, as a torn write or a hand edit could leave them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "libs/RevezoDaRur/CameraState.h"

namespace {

// Field by field: comparing formatted texts alone would miss a value written under the wrong key.
bool Same(const CameraState& a, const CameraState& b) {
    const CameraSettings &s = a.settings, &t = b.settings;
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        if (s.faults[i].firstCalls != t.faults[i].firstCalls ||
            s.faults[i].perMillion != t.faults[i].perMillion)
            return false;
    }
    const CameraCounters &c = a.counters, &d = b.counters;
    return s.plugged == t.plugged && s.realisticTimings == t.realisticTimings &&
           s.timePercent == t.timePercent && s.seed == t.seed && s.unplugAfterCalls == t.unplugAfterCalls &&
           s.corruptOffset == t.corruptOffset && s.stuckOffset == t.stuckOffset &&
           s.stuckMask == t.stuckMask && s.partialBytes == t.partialBytes && s.plugCount == t.plugCount &&
           s.cutAfterSteps == t.cutAfterSteps && s.cutTorn == t.cutTorn && c.calls == d.calls &&
           c.opens == d.opens && c.versions == d.versions && c.erases == d.erases && c.writes == d.writes &&
           c.reads == d.reads && c.steps == d.steps && c.deviceMicros == d.deviceMicros &&
           FormatState(a) == FormatState(b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<CameraState> state = ParseState(text);
    if (!state)
        return 0;
    // What parses is written back as text that parses to the same state.
    const std::string formatted = FormatState(*state);
    const std::optional<CameraState> again = ParseState(formatted);
    if (!again || !Same(*again, *state))
        __builtin_trap();
    // A key the text leaves out keeps its default: a default state's file before it changes nothing.
    const std::optional<CameraState> overDefaults =
        ParseState(FormatState(CameraState{}) + std::string(text));
    if (!overDefaults || !Same(*overDefaults, *state))
        __builtin_trap();
    // Each file holds its own keys only: the settings file leaves the counters at their defaults.
    const std::optional<CameraState> settings = ParseState(FormatSettings(state->settings));
    if (!settings || !Same(*settings, CameraState{state->settings, CameraCounters{}}))
        __builtin_trap();
    return 0;
}
