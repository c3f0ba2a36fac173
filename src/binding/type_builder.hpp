// Creating a heap type from a specification, slot by slot.
#pragma once

#include <string>
#include <vector>

#include "instance.hpp"

namespace binding {

// A method-table entry stores every calling convention as PyCFunction; the flags tell the
// interpreter the real signature. Going through a generic function pointer keeps the cast explicit.
template <class R, class... Args>
PyCFunction as_method(R (*function)(Args...) noexcept) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

// Collects what a class declares and creates its type with PyType_FromSpec under the name
// "builtins.{name}" and the default flags: no subclassing, no instance dictionary, no weak
// references, not tracked by the cyclic collector. The method and property tables must outlive
// the type (the type points into them), so callers pass static tables.
class type_builder {
public:
    // The stored class docstring is "{name}{text_signature}\n--\n\n{doc}"; the interpreter splits it
    // into __text_signature__ and __doc__.
    type_builder(const char* name, const char* text_signature, const char* doc);

    type_builder& methods(PyMethodDef* table);
    type_builder& properties(PyGetSetDef* table);
    type_builder& slot(int id, void* function);

    template <class T>
    PyTypeObject* build() {
        bound_class<T>::name = name_;
        slot(Py_tp_dealloc, reinterpret_cast<void*>(&dealloc<T>));
        PyTypeObject* type = create(sizeof(instance<T>));
        bound_class<T>::type = type;
        return type;
    }

private:
    PyTypeObject* create(std::size_t basic_size);

    const char* name_;
    std::string qualified_name_;
    std::string doc_;
    std::vector<PyType_Slot> slots_;
};

}  // namespace binding
