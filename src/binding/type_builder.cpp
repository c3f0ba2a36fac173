#include "type_builder.hpp"

namespace binding {

type_builder::type_builder(const char* name, const char* text_signature, const char* doc)
    : name_(name), qualified_name_(std::string("builtins.") + name), doc_(std::string(name) + text_signature + "\n--\n\n" + doc) {
    slot(Py_tp_base, &PyBaseObject_Type);
}

type_builder& type_builder::methods(PyMethodDef* table) { return slot(Py_tp_methods, table); }

type_builder& type_builder::properties(PyGetSetDef* table) { return slot(Py_tp_getset, table); }

type_builder& type_builder::slot(int id, void* function) {
    slots_.push_back({id, function});
    return *this;
}

PyTypeObject* type_builder::create(std::size_t basic_size) {
    slots_.push_back({Py_tp_doc, const_cast<char*>(doc_.c_str())});
    slots_.push_back({0, nullptr});
    // The interpreter copies the name, the docstring and the slots; only the tables stay referenced.
    PyType_Spec spec{qualified_name_.c_str(), static_cast<int>(basic_size), 0, Py_TPFLAGS_DEFAULT, slots_.data()};
    PyObject* type = PyType_FromSpec(&spec);
    if (type == nullptr) throw python_error{};
    return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace binding
