// A virtual SN9C250 camera behind the driver library's five operations: a 64 KiB SPI NOR serial
// flash kept in a state folder, with the faults and timings its settings ask for.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

#include "CameraState.h"
#include "DriverApi.h"

class VirtualCamera final : public DriverApi {
public:
    using Sleeper = std::function<void(std::chrono::microseconds)>;

    // The camera in `folder`; with realistic timings each operation waits through `sleep`
    // (by default the calling thread sleeps).
    explicit VirtualCamera(std::filesystem::path folder, Sleeper sleep = {});

    std::int32_t Initialize_DriverInterface() override;
    bool GetCodeVersion(std::uint8_t* buffer) override;
    bool EraseSF() override;
    bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                     std::uint32_t length) override;
    bool UnInitialize_DriverInterface() override;

    // Creates the state folder with this flash and settings: the camera is plugged in.
    static bool Plug(const std::filesystem::path& folder, const FlashImage& flash,
                     const CameraSettings& settings);

private:
    // One driver call: loads the state, counts the call and, unless the camera is gone, runs
    // `operation` on it and saves the state, and the flash when `changesFlash`. Returns false
    // when the camera is not there.
    bool Call(const std::function<bool(CameraState&, FlashImage&)>& operation, bool needsOpen,
              bool changesFlash = false);

    bool Write(CameraState& state, FlashImage& flash, std::uint32_t offset, const std::uint8_t* data,
               std::uint32_t length);
    bool Read(CameraState& state, const FlashImage& flash, std::uint32_t offset, std::uint8_t* data,
              std::uint32_t length);
    void Spend(CameraState& state, std::chrono::microseconds time);

    std::filesystem::path m_folder;
    Sleeper m_sleep;
    bool m_open = false;
};
