#pragma once

// Owns one reference to a COM interface and releases it when it goes, so that every early return
// in the capture code gives back what it obtained.

#include <utility>

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already holds (the out-parameter of a COM call).
    explicit ComRef(Interface *adopted) : m_ptr(adopted) {}
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;
    ComRef(ComRef &&other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComRef &operator=(ComRef &&other) noexcept {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ~ComRef() { reset(); }

    // Adds a reference of its own to a pointer that stays the caller's.
    static ComRef share(Interface *borrowed) {
        if (borrowed)
            borrowed->AddRef();
        return ComRef(borrowed);
    }

    void reset() {
        if (m_ptr)
            std::exchange(m_ptr, nullptr)->Release();
    }

    Interface *get() const { return m_ptr; }
    Interface *operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // For COM out-parameters: drops the current reference first.
    Interface **put() {
        reset();
        return &m_ptr;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

private:
    Interface *m_ptr = nullptr;
};
