// The boundary guard: every C entry point runs its body through it, so no C++ exception ever
// reaches the interpreter and every failure leaves exactly one Python exception set.
#pragma once

#include "object.hpp"

namespace binding {

// Converts the exception being handled into a Python exception: a pending Python error stays as
// it is, std::bad_alloc becomes MemoryError, anything else the internal-failure exception.
// Call only from inside a catch block.
void translate_current_exception() noexcept;

// For entry points that return a new reference or null.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
    try {
        PyObject* result = body().release();
        if (result == nullptr && !PyErr_Occurred()) throw python_error{};
        return result;
    } catch (...) {
        translate_current_exception();
        return nullptr;
    }
}

// For entry points that return 0 or -1 (property setters).
template <class Body>
int guarded_status(Body&& body) noexcept {
    try {
        body();
        return 0;
    } catch (...) {
        translate_current_exception();
        return -1;
    }
}

}  // namespace binding
