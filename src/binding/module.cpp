#include "module.hpp"

#include <cstdint>

#include "errors.hpp"
#include "guard.hpp"

namespace binding {

namespace {

// Recorded by the first import, never cleared.
std::int64_t first_interpreter = -1;
PyObject* module_object = nullptr;

object all_list(handle module) {
    PyObject* all = PyObject_GetAttrString(module.ptr(), "__all__");
    if (all != nullptr) return object::steal(all);
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw python_error{};
    PyErr_Clear();
    object list = object::steal(PyList_New(0));
    check(PyObject_SetAttrString(module.ptr(), "__all__", list.ptr()));
    return list;
}

}  // namespace

PyObject* initialise_module(PyModuleDef* definition, const class_registration* classes, std::size_t count) noexcept {
    return guarded([&] {
        const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
        if (interpreter == -1 && PyErr_Occurred()) throw python_error{};
        if (first_interpreter == -1) first_interpreter = interpreter;
        if (interpreter != first_interpreter) {
            raise(PyExc_ImportError, "plantwright does not support sub-interpreters: import it in the main interpreter only");
        }
        if (module_object != nullptr) return object::borrow(module_object);

        object module = object::steal(PyModule_Create2(definition, PYTHON_API_VERSION));
        for (std::size_t i = 0; i < count; ++i) {
            PyTypeObject* type = classes[i].type();
            const object all = all_list(module);
            const object name = object::steal(PyUnicode_FromString(classes[i].name));
            check(PyList_Append(all.ptr(), name.ptr()));
            check(PyObject_SetAttr(module.ptr(), name.ptr(), reinterpret_cast<PyObject*>(type)));
        }
        module_object = object::borrow(module).release();  // kept for the rest of the process
        return module;
    });
}

}  // namespace binding
