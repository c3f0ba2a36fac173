#include "guard.hpp"

#include <new>
#include <stdexcept>

#include "errors.hpp"

namespace binding {

void translate_current_exception() noexcept {
    try {
        throw;
    } catch (const python_error&) {
        if (!PyErr_Occurred()) set_internal_failure("plantwright: a failure was signalled without a Python exception");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& failure) {
        set_internal_failure(failure.what());
    } catch (...) {
        set_internal_failure(nullptr);
    }
}

}  // namespace binding
