// The Python classes of the module; each function creates its type on first use.
#pragma once

#include "../binding/python.hpp"

namespace plantwright::python {

PyTypeObject* system_type();
PyTypeObject* complex_type();
PyTypeObject* controller_spec_type();

}  // namespace plantwright::python
