// The Python class System over the native transfer function.
#include "../binding/arguments.hpp"
#include "../binding/module.hpp"
#include "../binding/properties.hpp"
#include "../binding/type_builder.hpp"
#include "../core/controller_spec.hpp"
#include "../core/lead_lag.hpp"
#include "../core/pd.hpp"
#include "../core/system.hpp"
#include "classes.hpp"

namespace plantwright::python {

namespace {

using namespace binding;

using Complexes = std::vector<Complex>;

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept {
    return guarded([&] {
        static constexpr parameters params{"System.__new__", "gain", "zeros", "poles"};
        const auto bound = bind(params, args, kwargs);
        System value;
        value.gain = argument<double>(bound[0], "gain");
        value.zeros = argument<Complexes>(bound[1], "zeros");
        value.poles = argument<Complexes>(bound[2], "poles");
        return make_instance(type, std::move(value));
    });
}

// add_zero and add_pole share their shape: the receiver borrowed exclusively first, then the one
// location converted and appended.
template <void (System::*Append)(Complex)>
PyObject* append(const char* owner, const char* name, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                 PyObject* kwnames) {
    return guarded([&] {
        const parameters params{owner, name};
        const auto bound = bind(params, args, nargs, kwnames);
        const auto system = borrow_exclusive<System>(self);
        ((*system).*Append)(argument<Complex>(bound[0], name));
        return none();
    });
}

PyObject* add_zero(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return append<&System::add_zero>("System.add_zero", "zero", self, args, nargs, kwnames);
}

PyObject* add_pole(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return append<&System::add_pole>("System.add_pole", "pole", self, args, nargs, kwnames);
}

PyObject* add_free_integrator(PyObject* self, PyObject*) noexcept {
    return guarded([&] {
        borrow_exclusive<System>(self)->add_free_integrator();
        return none();
    });
}

// eval, magnitude and phase share their shape: one point s, a shared borrow, one result.
template <auto Operation>
PyObject* at_point(const char* owner, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded([&] {
        const parameters params{owner, "s"};
        const auto bound = bind(params, args, nargs, kwnames);
        const auto system = borrow_shared<System>(self);
        return to_python(((*system).*Operation)(argument<Complex>(bound[0], "s")));
    });
}

PyObject* eval(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return at_point<&System::eval>("System.eval", self, args, nargs, kwnames);
}

PyObject* magnitude(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return at_point<&System::magnitude>("System.magnitude", self, args, nargs, kwnames);
}

PyObject* phase(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return at_point<&System::phase>("System.phase", self, args, nargs, kwnames);
}

PyObject* compose(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return guarded([&] {
        static constexpr parameters params{"System.compose", "other"};
        const auto bound = bind(params, args, nargs, kwnames);
        const auto system = borrow_shared<System>(self);
        const auto other = argument_ref<System>(bound[0], "other");  // may be the receiver itself
        return to_python(system->compose(*other));
    });
}

// The design methods: a shared borrow of the plant for the whole design, a private copy of the
// specification, and the controller returned as a new System.
template <System (*Design)(const System&, const ControllerSpec&)>
PyObject* design(const char* owner, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded([&] {
        const parameters params{owner, "spec"};
        const auto bound = bind(params, args, nargs, kwnames);
        const auto plant = borrow_shared<System>(self);
        const ControllerSpec spec = argument<ControllerSpec>(bound[0], "spec");
        return to_python(Design(*plant, spec));
    });
}

PyObject* pd_control(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return design<pd::design_pd_controller>("System.pd_control", self, args, nargs, kwnames);
}

PyObject* lead_lag_control(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return design<lead_lag::design_lead_lag_controller>("System.lead_lag_control", self, args, nargs, kwnames);
}

PyObject* get_system_type(PyObject* self, void*) noexcept {
    return guarded([&] { return to_python(borrow_shared<System>(self)->system_type()); });
}

PyObject* get_system_constant(PyObject* self, void*) noexcept {
    return guarded([&] { return to_python(borrow_shared<System>(self)->system_constant()); });
}

constexpr int with_parameters = METH_FASTCALL | METH_KEYWORDS;

PyMethodDef methods[] = {
    {"add_zero", as_method(add_zero), with_parameters, "add_zero($self, zero)\n--\n\n"},
    {"add_pole", as_method(add_pole), with_parameters, "add_pole($self, pole)\n--\n\n"},
    {"add_free_integrator", as_method(add_free_integrator), METH_NOARGS, "add_free_integrator($self)\n--\n\n"},
    {"eval", as_method(eval), with_parameters,
     "eval($self, s)\n--\n\nEvaluate the transfer function at a given `s`."},
    {"magnitude", as_method(magnitude), with_parameters,
     "magnitude($self, s)\n--\n\nCompute the transfer function magnitude at a given `s`."},
    {"phase", as_method(phase), with_parameters,
     "phase($self, s)\n--\n\nCompute the transfer function phase at a given `s`.\n\nNote that this returns a phase in "
     "*degrees*."},
    {"compose", as_method(compose), with_parameters,
     "compose($self, other)\n--\n\nCompose two systems into a new system."},
    {"pd_control", as_method(pd_control), with_parameters,
     "pd_control($self, spec)\n--\n\nDesign a PD controller for this system, given a specification."},
    {"lead_lag_control", as_method(lead_lag_control), with_parameters,
     "lead_lag_control($self, spec)\n--\n\nDesign a lead/lag controller for this system, given a specification."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    field_property<&System::gain>("gain", "Gain multiplier."),
    field_property<&System::zeros>("zeros", "Open-loop zeros."),
    field_property<&System::poles>("poles", "Open-loop poles."),
    {"system_type", get_system_type, nullptr, "Evaluate system type.", nullptr},
    {"system_constant", get_system_constant, nullptr, "Evaluate system constant.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyTypeObject* create() {
    return type_builder("System", "(gain, zeros, poles)", "")
        .methods(methods)
        .properties(properties)
        .slot(Py_tp_new, reinterpret_cast<void*>(construct))
        .build<System>();
}

}  // namespace

PyTypeObject* system_type() { return type_once<create>(); }

}  // namespace plantwright::python
