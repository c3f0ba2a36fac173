// Ownership of Python references: raw PyObject* appears only at C API calls.
#pragma once

#include <utility>

#include "python.hpp"

namespace binding {

// Thrown by the binding layer when a Python exception has been set; the boundary guard turns it
// back into a null return. It carries nothing: the interpreter holds the exception itself.
struct python_error {};

// A non-owning reference.
class handle {
public:
    handle() noexcept = default;
    handle(PyObject* p) noexcept : ptr_(p) {}  // NOLINT: a handle is a plain view of a pointer
    PyObject* ptr() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

protected:
    PyObject* ptr_ = nullptr;
};

// An owning reference: released when it goes out of scope, on every path.
class object : public handle {
public:
    object() noexcept = default;
    ~object() { Py_XDECREF(ptr_); }
    object(const object& other) noexcept : handle(Py_XNewRef(other.ptr_)) {}
    object(object&& other) noexcept : handle(std::exchange(other.ptr_, nullptr)) {}
    object& operator=(object other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    // Takes over a new reference; a null one means a Python exception is pending.
    static object steal(PyObject* p) {
        if (p == nullptr) throw python_error{};
        return object(p);
    }
    static object borrow(handle h) noexcept { return object(Py_XNewRef(h.ptr())); }

    // Hands the reference to the caller (the interpreter, at an entry point's return).
    PyObject* release() noexcept { return std::exchange(ptr_, nullptr); }

private:
    explicit object(PyObject* p) noexcept : handle(p) {}
};

// The result of a call that returns -1 with an exception set on failure.
inline void check(int status) {
    if (status < 0) throw python_error{};
}

}  // namespace binding
