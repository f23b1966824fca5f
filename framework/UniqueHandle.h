// The one owner of a handle: holds one value of `Traits::Type` and closes it with `Traits::Close`
// when it goes, unless it was detached. Move-only; a move leaves the source empty.
//
// Traits give:
//   using Type = ...;                  the handle's type
//   static Type Invalid();             the value held when empty (and set by Detach)
//   static void Close(Type);           frees a valid handle
//   static bool IsValid(Type);         optional: for types with more than one invalid value, such
//                                      as a kernel handle (null and INVALID_HANDLE_VALUE)
#pragma once

#include <type_traits>
#include <utility>

namespace unique_handle_detail {

template <typename Traits, typename = void> struct HasIsValid : std::false_type {};
template <typename Traits>
struct HasIsValid<Traits, std::void_t<decltype(Traits::IsValid(Traits::Invalid()))>> : std::true_type {};

} // namespace unique_handle_detail

// Traits for the common handle: empty when null, and freed by the one call `CloseFn`.
template <typename T, auto CloseFn> struct NullHandleTraits {
    using Type = T;
    static T Invalid() { return nullptr; }
    static void Close(T handle) { CloseFn(handle); }
};

template <typename Traits> class CUniqueHandle {
public:
    using Type = typename Traits::Type;

    CUniqueHandle() noexcept = default;
    explicit CUniqueHandle(Type handle) noexcept : m_handle(handle) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    Type Get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return IsValid(m_handle); }

    // Closes what is held (when valid) and takes `handle`; holding it already keeps it open.
    void Reset(Type handle = Traits::Invalid()) noexcept {
        const Type old = std::exchange(m_handle, handle);
        if (old != handle && IsValid(old))
            Traits::Close(old);
    }
    void Attach(Type handle) noexcept { Reset(handle); }
    // The handle, no longer owned; the owner is empty afterwards.
    Type Detach() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    // Where a creating call writes the new handle; what was held is closed first.
    Type* Out() noexcept {
        Reset();
        return &m_handle;
    }

    static bool IsValid(Type handle) noexcept {
        if constexpr (unique_handle_detail::HasIsValid<Traits>::value)
            return Traits::IsValid(handle);
        else
            return handle != Traits::Invalid();
    }

private:
    Type m_handle = Traits::Invalid();
};
