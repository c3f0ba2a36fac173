// Binary operator slots between two instances of one class.
#pragma once

#include <optional>
#include <type_traits>

#include "convert.hpp"
#include "guard.hpp"

namespace binding {

// A copy of the value of an instance of T, or nothing (and no error set) when `obj` is not one or
// cannot be borrowed.
template <class T>
std::optional<T> try_value(handle obj) noexcept {
    static_assert(std::is_nothrow_copy_constructible_v<T>);
    if (!bound_class<T>::is_instance(obj)) return std::nullopt;
    instance<T>* inst = bound_class<T>::cast(obj);
    if (!inst->borrow.try_shared()) return std::nullopt;
    std::optional<T> value(inst->value);
    inst->borrow.release_shared();
    return value;
}

// The operator rule: both operands must be instances of T, else NotImplemented, so that the
// interpreter tries the other operand and finally raises its own TypeError. There are no mixed
// or reflected forms.
template <class T, class Op>
PyObject* binary_operator(PyObject* left, PyObject* right, Op op) noexcept {
    const std::optional<T> a = try_value<T>(left);
    if (!a) Py_RETURN_NOTIMPLEMENTED;
    const std::optional<T> b = try_value<T>(right);
    if (!b) Py_RETURN_NOTIMPLEMENTED;
    return guarded([&] { return to_python(op(*a, *b)); });
}

}  // namespace binding
