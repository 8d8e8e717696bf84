// What the browser build's standard library and SDL headers lack: std::atomic_ref (on the
// compiler's atomic built-ins), std::bit_cast and SDL's CD-ROM start-up flag (which the
// browser's SDL ignores). Included before every source by web/Makefile.
#pragma once

#include <atomic>
#include <type_traits>

#ifndef SDL_INIT_CDROM
#define SDL_INIT_CDROM 0x00000100
#endif

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <typename To, typename From>
constexpr To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

#if !defined(__cpp_lib_atomic_ref)
namespace std {

template <typename T>
class atomic_ref {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    using value_type = T;
    static constexpr bool is_always_lock_free = __atomic_always_lock_free(sizeof(T), 0);

    explicit atomic_ref(T& object) noexcept : object_(&object) {}
    atomic_ref(const atomic_ref&) noexcept = default;
    atomic_ref& operator=(const atomic_ref&) = delete;

    T load(memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_load_n(object_, Order(order));
    }
    void store(T value, memory_order order = memory_order_seq_cst) const noexcept {
        __atomic_store_n(object_, value, Order(order));
    }
    T exchange(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_exchange_n(object_, value, Order(order));
    }
    bool compare_exchange_strong(T& expected, T desired,
                                 memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_compare_exchange_n(object_, &expected, desired, false, Order(order),
                                           Failure(order));
    }
    bool compare_exchange_weak(T& expected, T desired,
                               memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_compare_exchange_n(object_, &expected, desired, true, Order(order),
                                           Failure(order));
    }
    T fetch_add(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_add(object_, value, Order(order));
    }
    T fetch_sub(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_sub(object_, value, Order(order));
    }
    T fetch_and(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_and(object_, value, Order(order));
    }
    T fetch_or(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_or(object_, value, Order(order));
    }
    operator T() const noexcept { return load(); }

  private:
    static constexpr int Order(memory_order order) {
        switch (order) {
            case memory_order_relaxed:
                return __ATOMIC_RELAXED;
            case memory_order_consume:
                return __ATOMIC_CONSUME;
            case memory_order_acquire:
                return __ATOMIC_ACQUIRE;
            case memory_order_release:
                return __ATOMIC_RELEASE;
            case memory_order_acq_rel:
                return __ATOMIC_ACQ_REL;
            default:
                return __ATOMIC_SEQ_CST;
        }
    }
    // A failed exchange only loads: it can neither release nor be stronger than the success.
    static constexpr int Failure(memory_order order) {
        switch (order) {
            case memory_order_release:
                return __ATOMIC_RELAXED;
            case memory_order_acq_rel:
                return __ATOMIC_ACQUIRE;
            default:
                return Order(order);
        }
    }
    T* object_;
};

}  // namespace std
#endif
