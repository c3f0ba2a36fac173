// Binding call arguments to declared parameters, with the interpreter's own error texts.
#pragma once

#include <array>
#include <cstddef>

#include "object.hpp"

namespace binding {

// The parameters of a constructor or method: every one positional-or-keyword and required.
// `owner` is what errors name: "Class.method" or "Class.__new__".
template <std::size_t N>
struct parameters {
    const char* owner;
    std::array<const char*, N> names;
};

template <class... Names>
parameters(const char*, Names...) -> parameters<sizeof...(Names)>;

// Fills `slots` (borrowed references, declared order) or sets a TypeError and throws.
void bind_vector(const char* owner, const char* const* names, std::size_t count, PyObject** slots,
                 PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
void bind_tuple(const char* owner, const char* const* names, std::size_t count, PyObject** slots, PyObject* args,
                PyObject* kwargs);

// METH_FASTCALL | METH_KEYWORDS calls. All arguments by position is the common case and costs
// one comparison.
template <std::size_t N>
std::array<PyObject*, N> bind(const parameters<N>& params, PyObject* const* args, Py_ssize_t nargsf,
                              PyObject* kwnames) {
    std::array<PyObject*, N> slots{};
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    if (kwnames == nullptr && nargs == static_cast<Py_ssize_t>(N)) {
        for (std::size_t i = 0; i < N; ++i) slots[i] = args[i];
        return slots;
    }
    bind_vector(params.owner, params.names.data(), N, slots.data(), args, nargs, kwnames);
    return slots;
}

// tp_new calls: a tuple of positional arguments and a dictionary (or null) of keyword ones.
template <std::size_t N>
std::array<PyObject*, N> bind(const parameters<N>& params, PyObject* args, PyObject* kwargs) {
    std::array<PyObject*, N> slots{};
    if ((kwargs == nullptr || PyDict_GET_SIZE(kwargs) == 0) && PyTuple_GET_SIZE(args) == static_cast<Py_ssize_t>(N)) {
        for (std::size_t i = 0; i < N; ++i) slots[i] = PyTuple_GET_ITEM(args, static_cast<Py_ssize_t>(i));
        return slots;
    }
    bind_tuple(params.owner, params.names.data(), N, slots.data(), args, kwargs);
    return slots;
}

}  // namespace binding
