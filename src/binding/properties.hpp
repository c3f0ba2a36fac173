// Get-set descriptors over the fields of a bound class.
#pragma once

#include "convert.hpp"
#include "guard.hpp"

namespace binding {

template <class Member>
struct member_traits;

template <class T, class F>
struct member_traits<F T::*> {
    using owner = T;
    using field = F;
};

// Reads the field under a shared borrow and converts a copy.
template <auto Field>
PyObject* get_field(PyObject* self, void*) noexcept {
    using owner = typename member_traits<decltype(Field)>::owner;
    return guarded([&] { return to_python((*borrow_shared<owner>(self)).*Field); });
}

// Replaces the field whole. The new value is converted before the receiver is borrowed, so a
// failed conversion (which may run the caller's code) leaves the instance as it was. The closure
// is the property's name, which conversion errors give as the argument's.
template <auto Field>
int set_field(PyObject* self, PyObject* value, void* closure) noexcept {
    using traits = member_traits<decltype(Field)>;
    return guarded_status([&] {
        if (value == nullptr) raise(PyExc_AttributeError, "can't delete attribute");
        typename traits::field converted = argument<typename traits::field>(value, static_cast<const char*>(closure));
        (*borrow_exclusive<typename traits::owner>(self)).*Field = std::move(converted);
    });
}

// A read and write property entry; `name` doubles as the closure for error texts.
template <auto Field>
constexpr PyGetSetDef field_property(const char* name, const char* doc) {
    return {name, get_field<Field>, set_field<Field>, doc, const_cast<char*>(name)};
}

}  // namespace binding
