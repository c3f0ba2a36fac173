// The module object: single-phase initialisation and the classes it registers, in order.
#include <iterator>

#include "../binding/module.hpp"
#include "classes.hpp"

namespace {

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "plantwright",
    "A Python module with a native implementation.",
    0,  // no per-module state: everything lives in the classes
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

const binding::class_registration classes[] = {
    {"System", plantwright::python::system_type},
    {"Complex", plantwright::python::complex_type},
    {"ControllerSpec", plantwright::python::controller_spec_type},
};

}  // namespace

PyMODINIT_FUNC PyInit_plantwright() {
    return binding::initialise_module(&definition, classes, std::size(classes));
}
