// SHA-256 through BCrypt, which is not among the DLLs the system always takes from its own folder:
// it is loaded from there by hand, never found beside the program.
#include "app/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include <climits>

#include "framework/Module.h"

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

} // namespace

std::optional<Sha256Digest> Sha256(const std::uint8_t* data, std::size_t size) {
    if (size > ULONG_MAX)
        return std::nullopt;
    CModule bcrypt;
    if (!bcrypt.Load(L"bcrypt.dll", kSearchSystem32))
        return std::nullopt;
    const auto open = bcrypt.Proc<decltype(&BCryptOpenAlgorithmProvider)>("BCryptOpenAlgorithmProvider");
    const auto close = bcrypt.Proc<decltype(&BCryptCloseAlgorithmProvider)>("BCryptCloseAlgorithmProvider");
    const auto create = bcrypt.Proc<decltype(&BCryptCreateHash)>("BCryptCreateHash");
    const auto hashData = bcrypt.Proc<decltype(&BCryptHashData)>("BCryptHashData");
    const auto finish = bcrypt.Proc<decltype(&BCryptFinishHash)>("BCryptFinishHash");
    const auto destroy = bcrypt.Proc<decltype(&BCryptDestroyHash)>("BCryptDestroyHash");
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!open || !close || !create || !hashData || !finish || !destroy ||
        !BCRYPT_SUCCESS(open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    std::optional<Sha256Digest> digest;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCRYPT_SUCCESS(create(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        Sha256Digest bytes{};
        if (BCRYPT_SUCCESS(hashData(hash, const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0)) &&
            BCRYPT_SUCCESS(finish(hash, bytes.data(), static_cast<ULONG>(bytes.size()), 0)))
            digest = bytes;
        destroy(hash);
    }
    close(algorithm, 0);
    return digest;
}
