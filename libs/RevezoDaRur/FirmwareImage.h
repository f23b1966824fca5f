// The layout of an SN9C250 firmware image, as the program carries it and the flash holds it.
#pragma once

#include <cstddef>
#include <string_view>

#include "libs/RevezoDaRur/CameraState.h"

constexpr std::size_t kFirmwareDataEnd = 35427; // first byte of the 0xFF fill

// A 65,536-byte image: "SN9C250" and a zero byte, the code version text and its terminator, then
// firmware data that is a deterministic function of the code version, whose last byte other than
// 0xFF is at offset 35,426, then 0xFF to the end.
FlashImage MakeFirmwareImage(std::string_view codeVersion);
