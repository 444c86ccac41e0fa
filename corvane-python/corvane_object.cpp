// The class `Corvane`: one program with its host function names and limits.
#include <limits>

#include "binding.h"

namespace corvane::py {

namespace {

struct CorvaneObject {
    PyObject_HEAD
    CorvaneRun* run;
};

// A list of names: None, or any sequence of str except a str itself.
bool convert_names(PyObject* arg, const char* param, std::vector<std::string>& out) {
    if (arg == nullptr || arg == Py_None) return true;
    if (PyUnicode_Check(arg) || !PySequence_Check(arg)) {
        PyErr_Format(PyExc_TypeError, "argument '%s' must be a sequence of str, not %.200s",
                     param, Py_TYPE(arg)->tp_name);
        return false;
    }
    PyObject* items = PySequence_Fast(arg, "");
    if (!items) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "argument '%s' must be a sequence of str, not %.200s",
                     param, Py_TYPE(arg)->tp_name);
        return false;
    }
    Py_ssize_t n = PySequence_Fast_GET_SIZE(items);
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* item = PySequence_Fast_GET_ITEM(items, i);
        if (!PyUnicode_Check(item)) {
            PyErr_Format(PyExc_TypeError, "argument '%s' must contain only str, not %.200s",
                         param, Py_TYPE(item)->tp_name);
            Py_DECREF(items);
            return false;
        }
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(item, &size);
        if (!text) {
            Py_DECREF(items);
            return false;
        }
        out.emplace_back(text, static_cast<size_t>(size));
    }
    Py_DECREF(items);
    return true;
}

// A limit: None keeps the default; otherwise a non-negative int no larger than `max`.
template <class T>
bool convert_limit(PyObject* arg, const char* param, T& out) {
    if (arg == nullptr || arg == Py_None) return true;
    if (!PyLong_Check(arg)) {
        PyErr_Format(PyExc_TypeError, "argument '%s' must be int or None, not %.200s", param,
                     Py_TYPE(arg)->tp_name);
        return false;
    }
    // Negative and too large values both surface as OverflowError naming the parameter.
    unsigned long long value = PyLong_AsUnsignedLongLong(arg);
    bool failed = value == static_cast<unsigned long long>(-1) && PyErr_Occurred();
    if (failed && !PyErr_ExceptionMatches(PyExc_OverflowError)) return false;
    if (failed || value > std::numeric_limits<T>::max()) {
        PyErr_Clear();
        PyErr_Format(PyExc_OverflowError, "argument '%s' must be between 0 and %llu", param,
                     static_cast<unsigned long long>(std::numeric_limits<T>::max()));
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

PyObject* corvane_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static const char* keywords[] = {"code",          "inputs",          "external_functions",
                                     "memory_limit_bytes", "time_limit_ms", "max_stack_depth",
                                     "max_allocations", nullptr};
    PyObject *code = nullptr, *inputs = nullptr, *externals = nullptr, *memory = nullptr,
             *time = nullptr, *depth = nullptr, *allocations = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|OOOOOO:Corvane",
                                     const_cast<char**>(keywords), &code, &inputs, &externals,
                                     &memory, &time, &depth, &allocations)) {
        return nullptr;
    }
    return guarded([&]() -> PyObject* {
        auto run = std::make_unique<CorvaneRun>();
        if (!PyUnicode_Check(code)) {
            PyErr_Format(PyExc_TypeError, "argument 'code' must be str, not %.200s",
                         Py_TYPE(code)->tp_name);
            return nullptr;
        }
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(code, &size);
        if (!text) return nullptr;
        run->code.assign(text, static_cast<size_t>(size));
        if (!convert_names(inputs, "inputs", run->inputs) ||
            !convert_names(externals, "external_functions", run->external_functions) ||
            !convert_limit(memory, "memory_limit_bytes", run->memory_limit_bytes) ||
            !convert_limit(time, "time_limit_ms", run->time_limit_ms) ||
            !convert_limit(depth, "max_stack_depth", run->max_stack_depth) ||
            !convert_limit(allocations, "max_allocations", run->max_allocations)) {
            return nullptr;
        }
        auto* self = reinterpret_cast<CorvaneObject*>(type->tp_alloc(type, 0));
        if (!self) return nullptr;
        self->run = run.release();
        return reinterpret_cast<PyObject*>(self);
    });
}

void corvane_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    delete reinterpret_cast<CorvaneObject*>(self)->run;
    type->tp_free(self);
    Py_DECREF(type);
}

// run() and start(): convert the inputs, run once, build the result dictionary.
PyObject* run_program(PyObject* self, PyObject* args, PyObject* kwargs, const char* format) {
    static const char* keywords[] = {"inputs", nullptr};
    PyObject* inputs = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char**>(keywords),
                                     &inputs)) {
        return nullptr;
    }
    if (inputs != Py_None && !PyDict_Check(inputs)) {
        PyErr_Format(PyExc_TypeError, "argument 'inputs' must be dict or None, not %.200s",
                     Py_TYPE(inputs)->tp_name);
        return nullptr;
    }
    return guarded([&]() -> PyObject* {
        const CorvaneRun& run = *reinterpret_cast<CorvaneObject*>(self)->run;
        RunInputs values;
        if (!extract_inputs(inputs, values)) return nullptr;
        ModuleState* state = state_of(self);
        if (!state) return nullptr;
        Result<RunResult> result = run.run(std::move(values));
        if (!result) return corvane_err(result.error());
        return run_result_to_py(state->snapshot_type, std::move(result->state),
                                result->stdout_text, &result->trace);
    });
}

PyObject* corvane_run(PyObject* self, PyObject* args, PyObject* kwargs) {
    return run_program(self, args, kwargs, "|O:run");
}

PyObject* corvane_start(PyObject* self, PyObject* args, PyObject* kwargs) {
    return run_program(self, args, kwargs, "|O:start");
}

PyMethodDef corvane_methods[] = {
    {"run", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(corvane_run)),
     METH_VARARGS | METH_KEYWORDS,
     "run($self, inputs=None)\n--\n\n"
     "Run the program to completion.\n"
     "\n"
     "Args:\n"
     "    inputs: Optional dict of input name -> value mappings.\n"
     "\n"
     "Returns:\n"
     "    A dict with keys \"output\" (the final value) and \"stdout\" (captured output).\n"
     "    If execution suspends on an external function, returns a dict with\n"
     "    \"suspended\", \"function_name\", \"args\", and \"snapshot\" keys instead."},
    {"start", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(corvane_start)),
     METH_VARARGS | METH_KEYWORDS,
     "start($self, inputs=None)\n--\n\n"
     "Start execution, returning raw state (for suspension / snapshot handling).\n"
     "\n"
     "Args:\n"
     "    inputs: Optional dict of input name -> value mappings.\n"
     "\n"
     "Returns:\n"
     "    Same shape as `run()`."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot corvane_slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(corvane_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(corvane_dealloc)},
    {Py_tp_methods, corvane_methods},
    {Py_tp_doc,
     const_cast<char*>("Corvane(code, inputs=None, external_functions=None, "
                       "memory_limit_bytes=None, time_limit_ms=None, max_stack_depth=None, "
                       "max_allocations=None)\n--\n\n")},
    {0, nullptr},
};

PyType_Spec corvane_spec = {
    "corvane.Corvane",
    sizeof(CorvaneObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
    corvane_slots,
};

}  // namespace

PyTypeObject* create_corvane_type(PyObject* module) {
    return reinterpret_cast<PyTypeObject*>(
        PyType_FromModuleAndSpec(module, &corvane_spec, nullptr));
}

}  // namespace corvane::py
