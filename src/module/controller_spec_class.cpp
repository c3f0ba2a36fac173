// The Python class ControllerSpec over the native design specification.
#include "../binding/arguments.hpp"
#include "../binding/module.hpp"
#include "../binding/properties.hpp"
#include "../binding/type_builder.hpp"
#include "../core/controller_spec.hpp"
#include "classes.hpp"

namespace plantwright::python {

namespace {

using namespace binding;

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept {
    return guarded([&] {
        static constexpr parameters params{"ControllerSpec.__new__", "target"};
        const auto bound = bind(params, args, kwargs);
        return make_instance(type, ControllerSpec(argument<Complex>(bound[0], "target")));
    });
}

PyObject* get_system_constant(PyObject* self, void*) noexcept {
    return guarded([&] { return to_python(borrow_shared<ControllerSpec>(self)->system_constant()); });
}

PyGetSetDef properties[] = {
    field_property<&ControllerSpec::system_type>("system_type", "Desired system type."),
    field_property<&ControllerSpec::tracking_error>("tracking_error", "Desired tracking error (based on system type)."),
    field_property<&ControllerSpec::target>("target", "Target pole."),
    field_property<&ControllerSpec::pz_ratio>("pz_ratio", "Pole/zero ratio in lead controller design."),
    field_property<&ControllerSpec::zt_ratio>("zt_ratio", "Zero/target ratio in lag controller design."),
    field_property<&ControllerSpec::balanced>("balanced", "Must this controller have a matched number of poles and zeros?"),
    {"system_constant", get_system_constant, nullptr, "Get the target system constant.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyTypeObject* create() {
    return type_builder("ControllerSpec", "(target)", "Controller design specification.")
        .properties(properties)
        .slot(Py_tp_new, reinterpret_cast<void*>(construct))
        .build<ControllerSpec>();
}

}  // namespace

PyTypeObject* controller_spec_type() { return type_once<create>(); }

}  // namespace plantwright::python
