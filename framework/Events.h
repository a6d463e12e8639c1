// Events as method values: an object and the code to call on it.
//
// An event slot is empty until bound; "assigned" means its code is set. Two
// method values are equal exactly when they name the same object and the
// same code, which is what the application's hook list needs to remove the
// hook it was given.
#pragma once

#include <utility>

namespace ui {

template <typename Signature> class TMethod;

template <typename R, typename... Args>
class TMethod<R(Args...)> {
public:
    using Code = R (*)(void* data, Args... args);

    TMethod() = default;
    TMethod(std::nullptr_t) {}
    TMethod(void* data, Code code) : data_(data), code_(code) {}

    // Binds a member function of an object: TMethod<...>::Of<&T::F>(obj).
    template <auto Member, typename C>
    static TMethod Of(C* object) {
        return TMethod(static_cast<void*>(object), &Thunk<Member, C>);
    }

    bool Assigned() const { return code_ != nullptr; }
    explicit operator bool() const { return Assigned(); }

    R operator()(Args... args) const { return code_(data_, std::forward<Args>(args)...); }

    void* Data() const { return data_; }
    Code CodePtr() const { return code_; }

    friend bool operator==(const TMethod& a, const TMethod& b) {
        return a.data_ == b.data_ && a.code_ == b.code_;
    }
    friend bool operator!=(const TMethod& a, const TMethod& b) { return !(a == b); }

private:
    template <auto Member, typename C>
    static R Thunk(void* data, Args... args) {
        return (static_cast<C*>(data)->*Member)(std::forward<Args>(args)...);
    }

    void* data_ = nullptr;
    Code code_ = nullptr;
};

class TObject;
using TNotifyEvent = TMethod<void(TObject* Sender)>;

}  // namespace ui
