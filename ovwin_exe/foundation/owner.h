// The one owner of everything the launcher takes from the system: handles,
// registry keys, heap and LocalAlloc blocks, SIDs, security descriptors, GDI
// objects. An owner gives back what it holds once, on every way out of its
// scope; it can be moved, so functions return owners, and never copied.
//
// Its traits say what it holds and how that is given back:
//
//     struct KeyTraits
//     {
//         using Value = HKEY;
//         static HKEY Empty() { return nullptr; }       // holds nothing
//         static void Release(HKEY& key) { RegCloseKey(key); }
//     };
//
// Release gets the owner's own variable, so a logged release can show where
// the value was kept. Traits may carry state (the name a logged release
// writes); the owner is then constructed with it. Traits that set
//
//         static constexpr bool kReleaseWhenEmpty = true;
//
// are released once even when the owner was never filled: the logged helpers
// then write that the variable is already free, which is how the logs show
// every way out of a step. Such an owner is filled through Receive().
#pragma once

#include <type_traits>
#include <utility>

namespace owner_detail
{
template <typename Traits, typename = void>
struct ReleaseWhenEmpty : std::false_type
{
};

template <typename Traits>
struct ReleaseWhenEmpty<Traits, std::void_t<decltype(Traits::kReleaseWhenEmpty)>>
    : std::bool_constant<Traits::kReleaseWhenEmpty>
{
};
} // namespace owner_detail

template <typename Traits>
class [[nodiscard]] Owner : private Traits
{
  public:
    using Value = typename Traits::Value;

    Owner() = default;
    explicit Owner(Traits traits) : Traits(std::move(traits)) {}
    explicit Owner(Value value, Traits traits = Traits()) : Traits(std::move(traits)), value_(value) {}
    ~Owner() { Reset(); }

    Owner(Owner&& other) noexcept
        : Traits(std::move(static_cast<Traits&>(other))),
          value_(std::exchange(other.value_, Traits::Empty())),
          releaseDue_(std::exchange(other.releaseDue_, false))
    {
    }
    Owner& operator=(Owner&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            static_cast<Traits&>(*this) = std::move(static_cast<Traits&>(other));
            value_ = std::exchange(other.value_, Traits::Empty());
            releaseDue_ = std::exchange(other.releaseDue_, false);
        }
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    Value Get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Empty(); }
    const Traits& GetTraits() const { return *this; }

    // Gives back what the owner holds (or the unfilled variable it still
    // owes a release) and holds value instead.
    void Reset(Value value = Traits::Empty())
    {
        if (value_ != Traits::Empty() || releaseDue_)
        {
            Traits::Release(value_);
        }
        value_ = value;
        releaseDue_ = false;
    }

    // The owner's variable, empty, for a call that fills it. Whatever the
    // owner held is given back first; an owner that was never filled keeps
    // the release it owes.
    Value* Receive()
    {
        if (value_ != Traits::Empty())
        {
            Reset();
        }
        return &value_;
    }

  private:
    Value value_ = Traits::Empty();
    bool releaseDue_ = owner_detail::ReleaseWhenEmpty<Traits>::value;
};
