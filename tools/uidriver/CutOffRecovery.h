// Updates cut off as a power cut or a killed process would cut them, each followed by the run
// that must bring the camera back: the black-box proof that no cut-off leaves a camera that the
// next run cannot restore.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct CutOffTally {
    int cutOffs = 0;               // updates ended mid-way
    int powerCuts = 0;             // of those, the ones ended by the camera's power: the program ran on
    int recovered = 0;             // the next run left the camera holding the image, and said so
    int falseSuccesses = 0;        // a run said the camera was fine while its flash was not the image
    int tornUnderNewName = 0;      // cut-offs that left the target's code version over a flash not all there
    std::vector<std::string> cuts; // what each cut-off left in the flash
    std::vector<std::string> problems;
};

// Runs `rounds` updates of Tervolin.exe in `bin` over the camera in `camera` (TERVOLIN_VCAM's
// folder), each cut off in turn: killed at a seeded moment of its erase, write or read-back on a
// slowed camera, then the camera's power lost after a seeded step of the first attempt, whole and
// torn. Each is followed by a run at full speed in which a user confirms whatever it asks.
CutOffTally RunCutOffRecovery(const std::filesystem::path& bin, const std::filesystem::path& camera,
                              int rounds, std::uint32_t seed);
