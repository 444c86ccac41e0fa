// Shared declarations of the extension module `corvane`.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>
#include <string>

#include "corvane_run.h"
#include "error.h"
#include "snapshot.h"
#include "trace.h"
#include "value.h"

namespace corvane::py {

// Per-module state: the snapshot class, which results need in order to build instances.
struct ModuleState {
    PyTypeObject* snapshot_type;
};

extern PyModuleDef module_def;

// The module state reached from an instance of one of the module's classes.
ModuleState* state_of(PyObject* self);

PyTypeObject* create_corvane_type(PyObject* module);
PyTypeObject* create_snapshot_type(PyObject* module);

// A new CorvaneSnapshot owning the given bytes, or NULL with an exception set.
PyObject* new_snapshot(PyTypeObject* type, CorvaneSnapshot snapshot);

// Raises RuntimeError with the error's display text; returns NULL.
PyObject* corvane_err(const CorvaneError& error);

// Conversions. The Python-to-engine direction returns false with an exception set.
bool py_to_value(PyObject* object, Value& out);
PyObject* value_to_py(const Value& value);
bool extract_inputs(PyObject* dict_or_none, RunInputs& out);
PyObject* run_result_to_py(PyTypeObject* snapshot_type, VmState state,
                           const std::string& stdout_text, const ExecutionTrace* trace);
PyObject* trace_span_to_py(const TraceSpan& span);

// Runs `body`, turning any C++ exception into a Python exception (MemoryError for
// std::bad_alloc) so that none ever reaches the interpreter.
template <class F>
PyObject* guarded(F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_RuntimeError, "internal error: %s", e.what());
        return nullptr;
    } catch (...) {
        PyErr_SetString(PyExc_RuntimeError, "internal error");
        return nullptr;
    }
}

}  // namespace corvane::py
