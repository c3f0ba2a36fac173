#include "errors.hpp"

namespace binding {

namespace {

PyObject* internal_failure_type() noexcept {
    // Created once per process, on first use; the interpreter lock serialises that first use.
    static PyObject* type = PyErr_NewExceptionWithDoc(
        "plantwright.InternalFailure",
        "A native invariant of plantwright was broken; the call could not complete.",
        PyExc_BaseException, nullptr);
    return type;
}

}  // namespace

void raise(PyObject* type, const char* message) {
    PyErr_SetString(type, message);
    throw python_error{};
}

void raise_mismatch(handle obj, const char* target) {
    PyObject* name = PyType_GetQualName(Py_TYPE(obj.ptr()));
    if (name == nullptr) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "'<failed to extract type name>' object cannot be converted to '%s'", target);
    } else {
        PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name, target);
        Py_DECREF(name);
    }
    throw python_error{};
}

void prefix_argument_error(const char* name) noexcept {
    PyObject* original = PyErr_GetRaisedException();
    if (original == nullptr || !Py_IS_TYPE(original, reinterpret_cast<PyTypeObject*>(PyExc_TypeError))) {
        PyErr_SetRaisedException(original);
        return;
    }
    PyObject* replacement = nullptr;
    if (PyObject* text = PyObject_Str(original)) {
        if (PyObject* message = PyUnicode_FromFormat("argument '%s': %U", name, text)) {
            replacement = PyObject_CallOneArg(PyExc_TypeError, message);
            Py_DECREF(message);
        }
        Py_DECREF(text);
    }
    if (replacement == nullptr) {
        // Building the new message failed (memory): that failure is the one pending now.
        Py_DECREF(original);
        return;
    }
    if (PyObject* cause = PyException_GetCause(original)) PyException_SetCause(replacement, cause);
    Py_DECREF(original);
    PyErr_SetRaisedException(replacement);
}

void set_internal_failure(const char* message) noexcept {
    PyObject* type = internal_failure_type();
    if (type == nullptr) {
        // The failure cannot even be reported: stopping is the only safe way out.
        Py_FatalError("plantwright: internal failure while reporting an internal failure");
    }
    PyErr_SetString(type, message != nullptr && *message != '\0' ? message : "plantwright: internal failure");
}

}  // namespace binding

