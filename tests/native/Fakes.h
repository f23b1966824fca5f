// Test doubles for the core's seams: a scripted device inventory and a scripted driver.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/CameraDetection.h"
#include "core/DriverApi.h"
#include "libs/RevezoDaRur/CameraState.h"

// Code versions: the two targets, and an older firmware that is neither.
constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";
constexpr char kOldTarget[] = "SN9C250 0. 0. 5.11SBFg8";
constexpr char kOlder[] = "SN9C250 0. 0. 5.11SBFgE";

// Virtual camera settings with one fault on its first `firstCalls` calls.
inline CameraSettings With(Fault fault, std::uint32_t firstCalls, std::uint64_t seed = 1) {
    CameraSettings settings;
    settings.seed = seed;
    settings.Rule(fault).firstCalls = firstCalls;
    return settings;
}

// Present devices, each with its first hardware-id string; nullopt for a device whose id
// cannot be read (it is not visited).
class FakeInventory final : public DeviceInventory {
public:
    std::vector<std::optional<std::string>> devices;
    bool listFails = false;
    std::string askedClass;
    int visits = 0;

    bool ListPresentDevices(std::string_view className, const Visitor& visit) override {
        askedClass = std::string(className);
        if (listFails)
            return false;
        for (const auto& id : devices) {
            if (id) {
                ++visits;
                visit(*id);
            }
        }
        return true;
    }
};

// A driver that opens with `openResult`, reports `codeVersion` (up to 52 bytes, as given, unless
// it does not keep to the buffer's size) and reads back `flash`.
class FakeDriver final : public DriverApi {
public:
    std::int32_t openResult = 1;
    std::string codeVersion;
    std::vector<std::uint8_t> flash;
    bool versionReadFails = false, readFails = false, keepsToTheBuffer = true;
    int opens = 0, versionReads = 0, reads = 0, closes = 0;
    // Whether every buffer handed to GetCodeVersion arrived with all its bytes zero, so that a
    // text shorter than the buffer stays terminated.
    bool handedZeroedBuffers = true;

    std::int32_t Initialize_DriverInterface() override {
        ++opens;
        return openResult;
    }
    bool GetCodeVersion(std::uint8_t* buffer) override {
        ++versionReads;
        handedZeroedBuffers &=
            std::all_of(buffer, buffer + kCodeVersionBufferSize, [](std::uint8_t byte) { return byte == 0; });
        if (versionReadFails)
            return false;
        std::memcpy(buffer, codeVersion.data(),
                    keepsToTheBuffer ? std::min(codeVersion.size(), kCodeVersionBufferSize)
                                     : codeVersion.size());
        return true;
    }
    bool EraseSF() override { return false; }
    bool ReqToDriver(std::uint8_t request, std::uint32_t, std::uint8_t* buffer,
                     std::uint32_t length) override {
        ++reads;
        if (request != kRequestReadFlash || readFails || length > flash.size())
            return false;
        std::memcpy(buffer, flash.data(), length);
        return true;
    }
    bool UnInitialize_DriverInterface() override {
        ++closes;
        return true;
    }
};

// A fresh folder in memory (else under the temporary folder), removed with everything in it at
// the end. The virtual camera rewrites its files on every call; on disk that is I/O-bound.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        m_path = base / ("tervolin-test-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's bytes with `text`.
inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Passes every call on to another driver and counts the sessions it opens and closes.
class CountingDriver final : public DriverApi {
public:
    explicit CountingDriver(DriverApi& inner) : m_inner(inner) {}

    void Reset() {
        opened = closed = erases = 0;
        writeLengths.clear();
        readLengths.clear();
    }

    int opened = 0, closed = 0, erases = 0;
    std::vector<std::uint32_t> writeLengths, readLengths; // one for each write and read
    // When set, each open, version read, erase, write and read is noted here as it starts ('o',
    // 'v', 'e', 'w', 'r'), so that a test can put the calls in one order with other events.
    std::string* timeline = nullptr;

    std::int32_t Initialize_DriverInterface() override {
        Note('o');
        const std::int32_t result = m_inner.Initialize_DriverInterface();
        opened += result > 0;
        return result;
    }
    bool GetCodeVersion(std::uint8_t* buffer) override {
        Note('v');
        return m_inner.GetCodeVersion(buffer);
    }
    bool EraseSF() override {
        ++erases;
        Note('e');
        return m_inner.EraseSF();
    }
    bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                     std::uint32_t length) override {
        if (request == kRequestWriteFlash || request == kRequestReadFlash) {
            (request == kRequestWriteFlash ? writeLengths : readLengths).push_back(length);
            Note(request == kRequestWriteFlash ? 'w' : 'r');
        }
        return m_inner.ReqToDriver(request, value, buffer, length);
    }
    bool UnInitialize_DriverInterface() override {
        ++closed;
        return m_inner.UnInitialize_DriverInterface();
    }

private:
    void Note(char call) {
        if (timeline)
            *timeline += call;
    }

    DriverApi& m_inner;
};
