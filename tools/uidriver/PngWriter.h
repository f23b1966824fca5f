// A small PNG writer for screenshots: 8-bit RGB, stored (uncompressed) deflate blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgb`: rows top to bottom, 3 bytes a pixel. The PNG file's bytes.
std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height,
                                    const std::vector<std::uint8_t>& rgb);
