// Single-phase module initialisation: one module object per process, classes registered in order.
#pragma once

#include "object.hpp"

namespace binding {

struct class_registration {
    const char* name;
    PyTypeObject* (*type)();  // creates the type on first use, then returns the same object; may throw
};

// The body of PyInit_{module}: refuses interpreters other than the first, returns the module made
// by an earlier import, or creates it, registers each class and extends __all__.
PyObject* initialise_module(PyModuleDef* definition, const class_registration* classes, std::size_t count) noexcept;

// Runs `Create` the first time and returns its type from then on. A creation that throws leaves
// nothing behind, so the next import tries again.
template <PyTypeObject* (*Create)()>
PyTypeObject* type_once() {
    static PyTypeObject* type = nullptr;
    if (type == nullptr) type = Create();
    return type;
}

}  // namespace binding
