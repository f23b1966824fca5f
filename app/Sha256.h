// SHA-256 through the platform's cryptography (BCrypt).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of `size` bytes at `data`; nothing when the platform's hashing is not to be had.
std::optional<Sha256Digest> Sha256(const std::uint8_t* data, std::size_t size);
