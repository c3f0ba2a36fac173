// Conversion traits: one from_python / to_python pair per native kind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errors.hpp"
#include "instance.hpp"

namespace binding {

// A class bound with bound_class<T>: converted by value (a copy made under a shared borrow that
// ends with the copy) and returned as a new instance.
template <class T>
struct converter {
    static T from_python(handle obj) {
        if (!bound_class<T>::is_instance(obj)) raise_mismatch(obj, bound_class<T>::name);
        return *shared_ref<T>(bound_class<T>::cast(obj));
    }
    static object to_python(T value) { return make_instance(std::move(value)); }
};

template <>
struct converter<double> {
    static double from_python(handle obj) {
        if (PyFloat_CheckExact(obj.ptr())) return PyFloat_AS_DOUBLE(obj.ptr());
        const double value = PyFloat_AsDouble(obj.ptr());
        if (value == -1.0 && PyErr_Occurred()) throw python_error{};
        return value;
    }
    static object to_python(double value) { return object::steal(PyFloat_FromDouble(value)); }
};

template <>
struct converter<std::uint64_t> {
    static std::uint64_t from_python(handle obj);
    static object to_python(std::uint64_t value) { return object::steal(PyLong_FromUnsignedLongLong(value)); }
};

template <>
struct converter<bool> {
    static bool from_python(handle obj);
    static object to_python(bool value) { return object::borrow(value ? Py_True : Py_False); }
};

template <>
struct converter<std::string> {
    static object to_python(std::string_view text) {
        return object::steal(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
    }
};

// None is tested before any conversion and means unset.
template <class T>
struct converter<std::optional<T>> {
    static std::optional<T> from_python(handle obj) {
        if (obj.ptr() == Py_None) return std::nullopt;
        return converter<T>::from_python(obj);
    }
    static object to_python(const std::optional<T>& value) {
        return value ? converter<T>::to_python(*value) : object::borrow(Py_None);
    }
};

// The checks every sequence argument passes before its items are converted: a str is refused
// although it is a sequence, and so is anything that is not a sequence.
void check_sequence(handle obj);

// Calls `each(item)` for every item, in iteration order. Exact lists and tuples are read by index
// (their iterators would give the same items); anything else goes through the iterator protocol.
template <class Each>
void for_each_item(handle obj, Each&& each) {
    PyObject* seq = obj.ptr();
    if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {
        // Converting an item runs no Python code, so the list cannot change under the loop.
        PyObject** items = PyList_CheckExact(seq) ? reinterpret_cast<PyListObject*>(seq)->ob_item
                                                  : reinterpret_cast<PyTupleObject*>(seq)->ob_item;
        const Py_ssize_t size = Py_SIZE(seq);
        for (Py_ssize_t i = 0; i < size; ++i) each(handle(items[i]));
        return;
    }
    const object iterator = object::steal(PyObject_GetIter(seq));
    while (PyObject* raw = PyIter_Next(iterator.ptr())) {
        const object item = object::steal(raw);
        each(item);
    }
    if (PyErr_Occurred()) throw python_error{};
}

// How many items to make room for: the sequence's length when it reports one (a failure is
// discarded), capped so that a length the object only claims to have reserves nothing absurd.
std::size_t reservation_hint(handle obj) noexcept;

template <class T>
struct converter<std::vector<T>> {
    static std::vector<T> from_python(handle obj) {
        check_sequence(obj);
        std::vector<T> values;
        values.reserve(reservation_hint(obj));
        for_each_item(obj, [&](handle item) { values.push_back(converter<T>::from_python(item)); });
        return values;
    }
    static object to_python(const std::vector<T>& values) {
        object list = object::steal(PyList_New(static_cast<Py_ssize_t>(values.size())));
        for (std::size_t i = 0; i < values.size(); ++i) {
            PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), converter<T>::to_python(values[i]).release());
        }
        return list;
    }
};

// An argument converted by value; a TypeError from its conversion is rewritten to name `name`.
template <class T>
T argument(handle obj, const char* name) {
    try {
        return converter<T>::from_python(obj);
    } catch (const python_error&) {
        prefix_argument_error(name);
        throw;
    }
}

// An argument used by reference: a shared borrow held until the guard goes.
template <class T>
shared_ref<T> argument_ref(handle obj, const char* name) {
    try {
        if (!bound_class<T>::is_instance(obj)) raise_mismatch(obj, bound_class<T>::name);
        return shared_ref<T>(bound_class<T>::cast(obj));
    } catch (const python_error&) {
        prefix_argument_error(name);
        throw;
    }
}

template <class T>
object to_python(T&& value) {
    return converter<std::remove_cvref_t<T>>::to_python(std::forward<T>(value));
}

inline object none() { return object::borrow(Py_None); }

}  // namespace binding
