// The module `corvane`: multi-phase initialisation adding the two classes.
#include "binding.h"

namespace corvane::py {

namespace {

// The classes are created under their dotted names so that they know their module
// (help() and pickling need __module__), then show their bare names in messages.
int add_type(PyObject* module, PyTypeObject* type, const char* bare_name) {
    type->tp_name = bare_name;
    return PyModule_AddType(module, type);
}

int module_exec(PyObject* module) {
    ModuleState* state = static_cast<ModuleState*>(PyModule_GetState(module));
    state->snapshot_type = nullptr;
    PyTypeObject* corvane_type = create_corvane_type(module);
    if (!corvane_type) return -1;
    int rc = add_type(module, corvane_type, "Corvane");
    Py_DECREF(corvane_type);
    if (rc < 0) return -1;
    PyTypeObject* snapshot_type = create_snapshot_type(module);
    if (!snapshot_type) return -1;
    if (add_type(module, snapshot_type, "CorvaneSnapshot") < 0) {
        Py_DECREF(snapshot_type);
        return -1;
    }
    state->snapshot_type = snapshot_type;  // keeps the reference from create
    return 0;
}

int module_traverse(PyObject* module, visitproc visit, void* arg) {
    ModuleState* state = static_cast<ModuleState*>(PyModule_GetState(module));
    if (state) Py_VISIT(state->snapshot_type);
    return 0;
}

int module_clear(PyObject* module) {
    ModuleState* state = static_cast<ModuleState*>(PyModule_GetState(module));
    if (state) Py_CLEAR(state->snapshot_type);
    return 0;
}

void module_free(void* module) { module_clear(static_cast<PyObject*>(module)); }

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
#ifdef Py_mod_gil
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

}  // namespace

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "corvane",
    "",
    sizeof(ModuleState),
    nullptr,
    module_slots,
    module_traverse,
    module_clear,
    module_free,
};

ModuleState* state_of(PyObject* self) {
    PyObject* module = PyType_GetModuleByDef(Py_TYPE(self), &module_def);
    return module ? static_cast<ModuleState*>(PyModule_GetState(module)) : nullptr;
}

PyObject* corvane_err(const CorvaneError& error) {
    PyErr_SetString(PyExc_RuntimeError, error.display().c_str());
    return nullptr;
}

}  // namespace corvane::py

PyMODINIT_FUNC PyInit_corvane(void) { return PyModuleDef_Init(&corvane::py::module_def); }
