// The layout of an instance (object header, native value, borrow state), the borrows of its
// value, and the creation and destruction of instances.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "borrow.hpp"
#include "errors.hpp"
#include "object.hpp"

namespace binding {

template <class T>
struct instance {
    PyObject_HEAD
    T value;
    borrow_state borrow;
};

// The Python class bound to the native type T: its type object (set once, when the type is
// created) and the name that conversion errors give as their target.
template <class T>
struct bound_class {
    static inline PyTypeObject* type = nullptr;
    static inline const char* name = nullptr;

    static bool is_instance(handle obj) noexcept { return type != nullptr && PyObject_TypeCheck(obj.ptr(), type); }
    static instance<T>* cast(handle obj) noexcept { return reinterpret_cast<instance<T>*>(obj.ptr()); }
};

[[noreturn]] void raise_already_mutably_borrowed();
[[noreturn]] void raise_already_borrowed();

// A shared borrow of an instance's value, released when the guard goes.
template <class T>
class shared_ref {
public:
    explicit shared_ref(instance<T>* inst) : inst_(inst) {
        if (!inst_->borrow.try_shared()) raise_already_mutably_borrowed();
    }
    shared_ref(shared_ref&& other) noexcept : inst_(std::exchange(other.inst_, nullptr)) {}
    shared_ref(const shared_ref&) = delete;
    shared_ref& operator=(const shared_ref&) = delete;
    shared_ref& operator=(shared_ref&&) = delete;
    ~shared_ref() {
        if (inst_ != nullptr) inst_->borrow.release_shared();
    }
    const T& operator*() const noexcept { return inst_->value; }
    const T* operator->() const noexcept { return &inst_->value; }

private:
    instance<T>* inst_;
};

// An exclusive borrow of an instance's value, released when the guard goes.
template <class T>
class exclusive_ref {
public:
    explicit exclusive_ref(instance<T>* inst) : inst_(inst) {
        if (!inst_->borrow.try_exclusive()) raise_already_borrowed();
    }
    exclusive_ref(const exclusive_ref&) = delete;
    exclusive_ref& operator=(const exclusive_ref&) = delete;
    ~exclusive_ref() { inst_->borrow.release_exclusive(); }
    T& operator*() const noexcept { return inst_->value; }
    T* operator->() const noexcept { return &inst_->value; }

private:
    instance<T>* inst_;
};

// The receiver of a member: normally the interpreter has checked its class already; a call that
// bypasses that check gets the mismatch error naming the class, with no argument prefix.
template <class T>
instance<T>* receiver(handle self) {
    if (!bound_class<T>::is_instance(self)) raise_mismatch(self, bound_class<T>::name);
    return bound_class<T>::cast(self);
}

template <class T>
shared_ref<T> borrow_shared(handle self) {
    return shared_ref<T>(receiver<T>(self));
}

template <class T>
exclusive_ref<T> borrow_exclusive(handle self) {
    return exclusive_ref<T>(receiver<T>(self));
}

[[noreturn]] void raise_allocation_failure();

// A new instance of `type` holding `value`. The value is complete before the allocation, and
// moving it in only moves pointers and doubles, so an instance is never left half-built.
template <class T>
object make_instance(PyTypeObject* type, T value) {
    static_assert(std::is_nothrow_move_constructible_v<T>);
    const allocfunc alloc = type->tp_alloc != nullptr ? type->tp_alloc : PyType_GenericAlloc;
    PyObject* raw = alloc(type, 0);
    if (raw == nullptr) raise_allocation_failure();
    auto* inst = reinterpret_cast<instance<T>*>(raw);
    std::construct_at(&inst->value, std::move(value));
    std::construct_at(&inst->borrow);
    return object::steal(raw);
}

template <class T>
object make_instance(T value) {
    return make_instance(bound_class<T>::type, std::move(value));
}

// The deallocation slot: drop the native value, return the memory, then release the reference a
// heap type's instance holds on its type.
template <class T>
void dealloc(PyObject* self) noexcept {
    PyTypeObject* type = Py_TYPE(self);
    std::destroy_at(&reinterpret_cast<instance<T>*>(self)->value);
    type->tp_free(self);
    Py_DECREF(type);
}

}  // namespace binding
