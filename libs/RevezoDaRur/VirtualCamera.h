// A virtual SN9C250 camera behind the driver library's five operations: a 64 KiB SPI NOR serial
// flash kept in a state folder, with the faults and timings its settings ask for.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

#include "core/DriverApi.h"
#include "libs/RevezoDaRur/CameraState.h"

class VirtualCamera final : public DriverApi {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // What happens between an operation's steps. With realistic timings the camera waits for each
    // step's end on `now` and `sleepUntil` (by default the steady clock and the calling thread);
    // `betweenSteps`, when given, runs after that wait and before the camera reads its settings
    // again, the moment at which another process's change takes effect.
    struct Pacing {
        std::function<TimePoint()> now;
        std::function<void(TimePoint)> sleepUntil;
        std::function<void()> betweenSteps;
    };

    // `crash` is what a crash fault does where it strikes. By default it writes to an address no
    // process maps, so the system reports an access violation inside the driver, as a real
    // driver's crash shows; tests that run the camera in their own process throw instead.
    explicit VirtualCamera(std::filesystem::path folder, Pacing pacing = {},
                           std::function<void()> crash = {});

    std::int32_t Initialize_DriverInterface() override;
    bool GetCodeVersion(std::uint8_t* buffer) override;
    bool EraseSF() override;
    bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                     std::uint32_t length) override;
    bool UnInitialize_DriverInterface() override;

    // Creates the state folder with this flash and settings, counters cleared: the camera is
    // plugged in. A session opened before is gone, as a real device enumerates anew.
    static bool Plug(const std::filesystem::path& folder, const FlashImage& flash,
                     const CameraSettings& settings);

private:
    // One driver call as it goes.
    struct Run {
        explicit Run(const std::filesystem::path& folder) : reader(folder) {}

        SettingsReader reader;
        CameraSettings settings; // as read before the last step
        CameraCounters counters;
        FlashFile flash;
        std::uint32_t plugCount = 0;          // the plugging-in the call started on
        std::chrono::microseconds planned{0}; // device time of the steps so far, as the part takes it
        std::chrono::microseconds spent{0};   // the same, stretched by the settings' time share
        std::optional<TimePoint> deadline;    // when the last step ends, with realistic timings
        bool torn = false;                    // power was lost in the middle of the last step
    };

    // One driver call: reads the settings and counters, counts the call and, unless the camera is
    // gone or the call needs an open session that is not there, runs `operation`. Returns false
    // when the camera is not there.
    template <typename Operation> bool Call(bool needsOpen, bool writesFlash, Operation operation);
    // Counts the call as one of its operation's and returns its number among them.
    std::uint32_t Count(Run& run, std::uint32_t CameraCounters::*operationCalls);
    // Spends the next step's device time, then reads the settings again: false when the camera
    // has gone meanwhile (unplugged, plugged in anew, or its power cut), and false with run.torn
    // set when the power is lost in the middle of this step.
    bool Step(Run& run, std::chrono::microseconds time);
    // Crashes when the crash fault `fault` disturbs this call: every step before is in the folder.
    void CrashIf(const Run& run, Fault fault, std::uint32_t call);

    bool Erase(Run& run);
    bool Write(Run& run, std::uint32_t offset, const std::uint8_t* data, std::uint32_t length);
    bool Read(Run& run, std::uint32_t offset, std::uint8_t* data, std::uint32_t length);

    std::filesystem::path m_folder;
    Pacing m_pacing;
    std::function<void()> m_crash;
    bool m_open = false;
    std::uint32_t m_plugCount = 0; // the plugging-in the open session belongs to
};
