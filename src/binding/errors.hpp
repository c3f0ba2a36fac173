// Raising Python exceptions from native code, and the internal-failure exception type.
#pragma once

#include "object.hpp"

namespace binding {

// Sets `type` with `message` and throws python_error.
[[noreturn]] void raise(PyObject* type, const char* message);

// "'{qualname of obj's type}' object cannot be converted to '{target}'"
[[noreturn]] void raise_mismatch(handle obj, const char* target);

// Rewrites a pending exception of exact type TypeError as "argument '{name}': {message}", the new
// exception taking over the old one's __cause__. Any other exception is left as it is.
void prefix_argument_error(const char* name) noexcept;

// The exception raised when an entry point meets a broken internal invariant. It derives directly
// from BaseException so that `except Exception` does not swallow it.
void set_internal_failure(const char* message) noexcept;

}  // namespace binding
