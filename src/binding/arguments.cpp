#include "arguments.hpp"

#include <string>

#include "errors.hpp"

namespace binding {

namespace {

[[noreturn]] void too_many_positional(const char* owner, std::size_t count, Py_ssize_t given) {
    PyErr_Format(PyExc_TypeError, "%s() takes %zu positional arguments but %zd %s given", owner, count, given,
                 given == 1 ? "was" : "were");
    throw python_error{};
}

[[noreturn]] void missing(const char* owner, const char* const* names, std::size_t count, PyObject* const* slots) {
    std::string list;
    std::size_t missing_count = 0;
    for (std::size_t i = 0; i < count; ++i) missing_count += slots[i] == nullptr ? 1 : 0;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (slots[i] != nullptr) continue;
        ++seen;
        if (seen > 1) {
            if (missing_count == 2) {
                list += " and ";
            } else {
                list += seen == missing_count ? ", and " : ", ";
            }
        }
        list += '\'';
        list += names[i];
        list += '\'';
    }
    PyErr_Format(PyExc_TypeError, "%s() missing %zu required positional %s: %s", owner, missing_count,
                 missing_count == 1 ? "argument" : "arguments", list.c_str());
    throw python_error{};
}

// Fills the parameter that `name` names with `value`, or fails the binding.
void bind_keyword(const char* owner, const char* const* names, std::size_t count, PyObject** slots, PyObject* name,
                  PyObject* value) {
    if (PyUnicode_Check(name)) {
        for (std::size_t i = 0; i < count; ++i) {
            if (PyUnicode_CompareWithASCIIString(name, names[i]) != 0) continue;
            if (slots[i] != nullptr) {
                PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", owner, names[i]);
                throw python_error{};
            }
            slots[i] = value;
            return;
        }
        PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", owner, name);
    } else {
        PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument %R", owner, name);
    }
    throw python_error{};
}

void fill_positional(const char* owner, std::size_t count, PyObject** slots, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs > static_cast<Py_ssize_t>(count)) too_many_positional(owner, count, nargs);
    for (Py_ssize_t i = 0; i < nargs; ++i) slots[i] = args[i];
}

void check_complete(const char* owner, const char* const* names, std::size_t count, PyObject* const* slots) {
    for (std::size_t i = 0; i < count; ++i) {
        if (slots[i] == nullptr) missing(owner, names, count, slots);
    }
}

}  // namespace

void bind_vector(const char* owner, const char* const* names, std::size_t count, PyObject** slots,
                 PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    fill_positional(owner, count, slots, args, nargs);
    if (kwnames != nullptr) {
        const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < nkw; ++k) {
            bind_keyword(owner, names, count, slots, PyTuple_GET_ITEM(kwnames, k), args[nargs + k]);
        }
    }
    check_complete(owner, names, count, slots);
}

void bind_tuple(const char* owner, const char* const* names, std::size_t count, PyObject** slots, PyObject* args,
                PyObject* kwargs) {
    fill_positional(owner, count, slots, reinterpret_cast<PyTupleObject*>(args)->ob_item, PyTuple_GET_SIZE(args));
    if (kwargs != nullptr) {
        Py_ssize_t position = 0;
        PyObject* name = nullptr;
        PyObject* value = nullptr;
        // Insertion order is the order in which the caller gave the keywords.
        while (PyDict_Next(kwargs, &position, &name, &value)) bind_keyword(owner, names, count, slots, name, value);
    }
    check_complete(owner, names, count, slots);
}

}  // namespace binding
