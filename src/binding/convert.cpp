#include "convert.hpp"

#include <cstring>

namespace binding {

std::uint64_t converter<std::uint64_t>::from_python(handle obj) {
    object index;
    PyObject* integer = obj.ptr();
    if (!PyLong_Check(integer)) {
        index = object::steal(PyNumber_Index(integer));
        integer = index.ptr();
    }
    const unsigned long long value = PyLong_AsUnsignedLongLong(integer);
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw python_error{};
    return value;
}

namespace {

// NumPy's boolean scalar, recognised by name so that the module does not depend on NumPy.
bool is_numpy_bool(handle obj) {
    PyTypeObject* type = Py_TYPE(obj.ptr());
    const object module = object::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__module__"));
    if (!PyUnicode_Check(module.ptr()) || PyUnicode_CompareWithASCIIString(module.ptr(), "numpy") != 0) return false;
    const object name = object::steal(PyType_GetName(type));
    return PyUnicode_CompareWithASCIIString(name.ptr(), "bool_") == 0 ||
           PyUnicode_CompareWithASCIIString(name.ptr(), "bool") == 0;
}

}  // namespace

bool converter<bool>::from_python(handle obj) {
    if (PyBool_Check(obj.ptr())) return obj.ptr() == Py_True;
    bool numpy_bool = false;
    try {
        numpy_bool = is_numpy_bool(obj);
    } catch (const python_error&) {
        // A type whose names cannot be read is simply not NumPy's boolean; an interrupt or an
        // exit while reading them is not ours to swallow.
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        PyErr_Clear();
    }
    if (!numpy_bool) raise_mismatch(obj, "bool");
    const int truth = PyObject_IsTrue(obj.ptr());
    check(truth);
    return truth != 0;
}

void check_sequence(handle obj) {
    if (PyUnicode_Check(obj.ptr())) raise(PyExc_TypeError, "a str cannot be converted into a sequence of values");
    if (!PySequence_Check(obj.ptr())) raise_mismatch(obj, "Sequence");
}

std::size_t reservation_hint(handle obj) noexcept {
    const Py_ssize_t size = PySequence_Size(obj.ptr());
    if (size < 0) {
        PyErr_Clear();
        return 0;
    }
    // Beyond this the vector's own doubling takes over, so a lying __len__ costs nothing.
    constexpr Py_ssize_t cap = Py_ssize_t{1} << 20;
    return static_cast<std::size_t>(size < cap ? size : cap);
}

void raise_already_mutably_borrowed() { raise(PyExc_RuntimeError, "Already mutably borrowed"); }

void raise_already_borrowed() { raise(PyExc_RuntimeError, "Already borrowed"); }

void raise_allocation_failure() {
    if (!PyErr_Occurred()) raise(PyExc_SystemError, "attempted to fetch exception but none was set");
    throw python_error{};
}

}  // namespace binding
