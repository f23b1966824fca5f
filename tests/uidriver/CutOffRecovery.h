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

// Runs `rounds` updates of Tervolin.exe in `bin` over the virtual camera in `camera` (the folder
// TERVOLIN_VCAM names), and cuts each off in turn: the program ended at a seeded random moment of
// its erase, its write or its read-back (over a slowed camera), then the camera's power lost after
// a seeded random step of the update's first attempt, whole and then torn, which the program
// reports as a failure before the camera is plugged in again. After each cut-off the program runs
// again, at full speed, and a user confirms whatever it asks.
CutOffTally RunCutOffRecovery(const std::filesystem::path& bin, const std::filesystem::path& camera,
                              int rounds, std::uint32_t seed);
