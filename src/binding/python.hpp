// The one place the binding layer includes the interpreter's headers.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#if PY_VERSION_HEX < 0x030C0000
#error "the binding layer needs the C API of CPython 3.12 or later"
#endif
