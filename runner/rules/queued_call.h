// A call to make once, later, that holds what it captured in place when that is small.
// Portable.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace runner {

// A worker run queues a few calls for each of its tests, hundreds of thousands of them
// while the window falls behind, and each captures a few pointers. Held in place, they
// take no allocation of their own: the heap keeps the room small allocations took long
// after they are freed, where the queue's one large block goes back whole.
class QueuedCall {
public:
    QueuedCall() = default;

    // Not explicit, as std::function's is not: a lambda converts where a call is asked.
    template <typename Call, typename Held = std::decay_t<Call>,
              typename = std::enable_if_t<!std::is_same<Held, QueuedCall>::value>>
    QueuedCall(Call &&call) {
        Hold<Held>(std::forward<Call>(call));
    }

    QueuedCall(QueuedCall &&other) noexcept { TakeFrom(other); }
    QueuedCall &operator=(QueuedCall &&other) noexcept {
        if (this != &other) {
            Reset();
            TakeFrom(other);
        }
        return *this;
    }
    QueuedCall(const QueuedCall &) = delete;
    QueuedCall &operator=(const QueuedCall &) = delete;
    ~QueuedCall() { Reset(); }

    void operator()() { operations_->make(storage_); }

private:
    static constexpr size_t kInPlaceBytes = 48;
    static constexpr size_t kInPlaceAlignment = 8;

    struct Operations {
        void (*make)(void *held);
        void (*moveTo)(void *from, void *to);
        void (*destroy)(void *held);
    };

    template <typename Held>
    static constexpr bool FitsInPlace() {
        return sizeof(Held) <= kInPlaceBytes && alignof(Held) <= kInPlaceAlignment &&
               std::is_nothrow_move_constructible<Held>::value;
    }

    template <typename Held>
    static const Operations *OperationsFor() {
        static const Operations operations = {[](void *held) { (*static_cast<Held *>(held))(); },
                                              [](void *from, void *to) {
                                                  new (to) Held(std::move(*static_cast<Held *>(from)));
                                                  static_cast<Held *>(from)->~Held();
                                              },
                                              [](void *held) { static_cast<Held *>(held)->~Held(); }};
        return &operations;
    }

    template <typename Held, typename Call>
    std::enable_if_t<FitsInPlace<Held>()> Hold(Call &&call) {
        new (storage_) Held(std::forward<Call>(call));
        operations_ = OperationsFor<Held>();
    }

    // A large capture, a test's end with its failures and output, is rare: it lives on
    // the heap and its owner in place.
    template <typename Held>
    struct OnTheHeap {
        std::unique_ptr<Held> held;
        void operator()() { (*held)(); }
    };

    template <typename Held, typename Call>
    std::enable_if_t<!FitsInPlace<Held>()> Hold(Call &&call) {
        Hold<OnTheHeap<Held>>(OnTheHeap<Held>{std::make_unique<Held>(std::forward<Call>(call))});
    }

    void TakeFrom(QueuedCall &other) noexcept {
        if (other.operations_ != nullptr) {
            other.operations_->moveTo(other.storage_, storage_);
            operations_ = other.operations_;
            other.operations_ = nullptr;
        }
    }

    void Reset() noexcept {
        if (operations_ != nullptr) {
            operations_->destroy(storage_);
            operations_ = nullptr;
        }
    }

    alignas(kInPlaceAlignment) unsigned char storage_[kInPlaceBytes];
    const Operations *operations_ = nullptr;
};

}  // namespace runner
