// A fleet rehearsal: the program run unattended on many simulated computers, as a deployment tool
// runs it, to count what a roll-out would leave behind.
#pragma once

#include <cstdint>
#include <filesystem>

// Runs `computers` simulated computers in turn, each with its own camera folder and LOCALAPPDATA
// under `folder`, from seeded starting states: current, older, blank or torn firmware, unplugged,
// or a camera with faults that come and go. On each, `Tervolin.exe /check` from `bin`, then
// `/quiet` when it says an update is due; the computer once more when /quiet failed or found
// another copy running. Prints a line for each computer and a table by starting state; 0 when no
// run claimed a camera that does not hold the target, and nothing else went wrong.
int RunFleet(const std::filesystem::path& bin, const std::filesystem::path& folder, int computers,
             std::uint32_t seed);
