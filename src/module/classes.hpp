// The Python classes of the module; each function creates its type on first use.
#pragma once

#include "../binding/python.hpp"

namespace plantwright::python {

PyTypeObject* complex_type();

}  // namespace plantwright::python
