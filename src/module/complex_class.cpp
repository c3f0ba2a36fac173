// The Python class Complex over the native complex value: immutable, shared borrows only.
#include "../binding/arguments.hpp"
#include "../binding/module.hpp"
#include "../binding/operators.hpp"
#include "../binding/type_builder.hpp"
#include "../core/complex.hpp"
#include "classes.hpp"

namespace plantwright::python {

namespace {

using namespace binding;

PyObject* zero(PyObject*, PyObject*) noexcept {
    return guarded([] { return to_python(Complex::zero()); });
}

PyObject* is_zero(PyObject* self, PyObject*) noexcept {
    return guarded([&] { return to_python(borrow_shared<Complex>(self)->is_zero()); });
}

PyObject* arg(PyObject* self, PyObject*) noexcept {
    return guarded([&] { return to_python(borrow_shared<Complex>(self)->arg()); });
}

PyObject* get_real(PyObject* self, void*) noexcept {
    return guarded([&] { return to_python(borrow_shared<Complex>(self)->real); });
}

PyObject* get_imag(PyObject* self, void*) noexcept {
    return guarded([&] { return to_python(borrow_shared<Complex>(self)->imag); });
}

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept {
    return guarded([&] {
        static constexpr parameters params{"Complex.__new__", "real", "imag"};
        const auto bound = bind(params, args, kwargs);
        const double real = argument<double>(bound[0], "real");
        const double imag = argument<double>(bound[1], "imag");
        return make_instance(type, Complex{real, imag});
    });
}

PyObject* absolute(PyObject* self) noexcept {
    return guarded([&] { return to_python(borrow_shared<Complex>(self)->modulus()); });
}

PyObject* str(PyObject* self) noexcept {
    return guarded([&] { return converter<std::string>::to_python(text(*borrow_shared<Complex>(self))); });
}

PyObject* represent(PyObject* self) noexcept {
    return guarded([&] { return converter<std::string>::to_python(repr(*borrow_shared<Complex>(self))); });
}

PyObject* add(PyObject* a, PyObject* b) noexcept {
    return binary_operator<Complex>(a, b, [](Complex x, Complex y) { return x + y; });
}

PyObject* subtract(PyObject* a, PyObject* b) noexcept {
    return binary_operator<Complex>(a, b, [](Complex x, Complex y) { return x - y; });
}

PyObject* multiply(PyObject* a, PyObject* b) noexcept {
    return binary_operator<Complex>(a, b, [](Complex x, Complex y) { return x * y; });
}

PyObject* divide(PyObject* a, PyObject* b) noexcept {
    return binary_operator<Complex>(a, b, [](Complex x, Complex y) { return x / y; });
}

PyMethodDef methods[] = {
    {"zero", as_method(zero), METH_STATIC | METH_NOARGS, "zero()\n--\n\n"},
    {"is_zero", as_method(is_zero), METH_NOARGS, "is_zero($self)\n--\n\n"},
    {"arg", as_method(arg), METH_NOARGS,
     "arg($self)\n--\n\nArgument of this complex number in *degrees*."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    {"real", get_real, nullptr, "", nullptr},
    {"imag", get_imag, nullptr, "", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyTypeObject* create() {
    return type_builder("Complex", "(real, imag)", "")
        .methods(methods)
        .properties(properties)
        .slot(Py_tp_new, reinterpret_cast<void*>(construct))
        .slot(Py_nb_absolute, reinterpret_cast<void*>(absolute))
        .slot(Py_tp_str, reinterpret_cast<void*>(str))
        .slot(Py_tp_repr, reinterpret_cast<void*>(represent))
        .slot(Py_nb_add, reinterpret_cast<void*>(add))
        .slot(Py_nb_subtract, reinterpret_cast<void*>(subtract))
        .slot(Py_nb_multiply, reinterpret_cast<void*>(multiply))
        .slot(Py_nb_true_divide, reinterpret_cast<void*>(divide))
        .build<Complex>();
}

}  // namespace

PyTypeObject* complex_type() { return type_once<create>(); }

}  // namespace plantwright::python
