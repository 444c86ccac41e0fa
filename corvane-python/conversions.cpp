// Conversions between Python objects and engine values, and the result dictionaries.
#include "binding.h"

namespace corvane::py {

namespace {

// Nesting bound of our own on top of the interpreter's recursion guard: a program whose
// recursion limit was raised must still not exhaust the native stack here.
constexpr int kMaxNesting = 5000;

// Enters one level of a nested conversion; false with RecursionError set when too deep.
class NestingGuard {
public:
    NestingGuard(int& depth, const char* where) : depth_(depth) {
        if (++depth_ > kMaxNesting) {
            PyErr_Format(PyExc_RecursionError, "maximum recursion depth exceeded%s", where);
            return;
        }
        entered_ = Py_EnterRecursiveCall(where) == 0;
    }
    ~NestingGuard() {
        --depth_;
        if (entered_) Py_LeaveRecursiveCall();
    }
    bool ok() const { return entered_; }

private:
    int& depth_;
    bool entered_ = false;
};

bool str_to_text(PyObject* object, Str& out) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(object, &size);
    if (!text) return false;
    out = Str(std::string_view(text, static_cast<size_t>(size)));
    return true;
}

bool convert_in(PyObject* object, Value& out, int& depth);

bool convert_list_in(PyObject* list, Value& out, int& depth) {
    Array elements;
    elements.reserve(static_cast<size_t>(PyList_GET_SIZE(list)));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
        PyObject* item = PyList_GET_ITEM(list, i);
        Py_INCREF(item);
        Value element;
        bool ok = convert_in(item, element, depth);
        Py_DECREF(item);
        if (!ok) return false;
        elements.push_back(std::move(element));
    }
    out = Value::array(std::move(elements));
    return true;
}

bool convert_dict_in(PyObject* dict, Value& out, int& depth) {
    ObjectMap map;
    PyObject *key, *item;
    Py_ssize_t pos = 0;
    while (PyDict_Next(dict, &pos, &key, &item)) {
        if (!PyUnicode_Check(key)) {
            PyErr_Format(PyExc_TypeError, "dict keys must be str, not %.200s",
                         Py_TYPE(key)->tp_name);
            return false;
        }
        Str name;
        if (!str_to_text(key, name)) return false;
        Py_INCREF(item);
        Value v;
        bool ok = convert_in(item, v, depth);
        Py_DECREF(item);
        if (!ok) return false;
        map.set(std::move(name), std::move(v));
    }
    out = Value::object(std::move(map));
    return true;
}

bool convert_in(PyObject* object, Value& out, int& depth) {
    if (object == Py_None) {
        out = Value::null();
    } else if (PyBool_Check(object)) {
        out = Value::boolean(object == Py_True);
    } else if (PyLong_Check(object)) {
        long long i = PyLong_AsLongLong(object);
        if (i == -1 && PyErr_Occurred()) return false;
        out = Value::integer(i);
    } else if (PyFloat_Check(object)) {
        out = Value::number(PyFloat_AS_DOUBLE(object));
    } else if (PyUnicode_Check(object)) {
        Str text;
        if (!str_to_text(object, text)) return false;
        out = Value::string(std::move(text));
    } else if (PyList_Check(object) || PyDict_Check(object)) {
        NestingGuard guard(depth, " while converting a Python value to a Corvane value");
        if (!guard.ok()) return false;
        return PyList_Check(object) ? convert_list_in(object, out, depth)
                                    : convert_dict_in(object, out, depth);
    } else {
        PyErr_Format(PyExc_RuntimeError, "cannot convert Python type '%s' to Corvane value",
                     Py_TYPE(object)->tp_name);
        return false;
    }
    return true;
}

PyObject* text_to_py(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* convert_out(const Value& value, int& depth);
PyObject* values_to_py_list(const std::vector<Value>& values);

PyObject* convert_container_out(const Value& value, int& depth) {
    NestingGuard guard(depth, " while converting a Corvane value to Python");
    if (!guard.ok()) return nullptr;
    if (value.is_array()) {
        const Array& elements = value.as_array();
        PyObject* list = PyList_New(static_cast<Py_ssize_t>(elements.size()));
        if (!list) return nullptr;
        for (size_t i = 0; i < elements.size(); ++i) {
            PyObject* item = convert_out(elements[i], depth);
            if (!item) {
                Py_DECREF(list);
                return nullptr;
            }
            PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
        }
        return list;
    }
    PyObject* dict = PyDict_New();
    if (!dict) return nullptr;
    for (const auto& entry : value.as_object()) {
        PyObject* key = text_to_py(entry.key.view());
        PyObject* item = key ? convert_out(entry.value, depth) : nullptr;
        int rc = item ? PyDict_SetItem(dict, key, item) : -1;
        Py_XDECREF(key);
        Py_XDECREF(item);
        if (rc < 0) {
            Py_DECREF(dict);
            return nullptr;
        }
    }
    return dict;
}

PyObject* convert_out(const Value& value, int& depth) {
    switch (value.tag()) {
        case Tag::Undefined:
        case Tag::Null: Py_RETURN_NONE;
        case Tag::Bool: return PyBool_FromLong(value.as_bool());
        case Tag::Int: return PyLong_FromLongLong(value.as_int());
        case Tag::Float: return PyFloat_FromDouble(value.as_float());
        case Tag::String: return text_to_py(value.as_str_view());
        case Tag::Array:
        case Tag::Object: return convert_container_out(value, depth);
        case Tag::Function:
        case Tag::BuiltinMethod: return PyUnicode_FromString("<function>");
        case Tag::Generator: return PyUnicode_FromString("<generator>");
    }
    Py_RETURN_NONE;
}

// Sets dict[key] = value and drops the reference to value; false on failure.
bool set_item(PyObject* dict, const char* key, PyObject* value) {
    if (!value) return false;
    int rc = PyDict_SetItemString(dict, key, value);
    Py_DECREF(value);
    return rc == 0;
}

PyObject* values_to_py_list(const std::vector<Value>& values) {
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(values.size()));
    if (!list) return nullptr;
    for (size_t i = 0; i < values.size(); ++i) {
        PyObject* item = value_to_py(values[i]);
        if (!item) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

}  // namespace

bool py_to_value(PyObject* object, Value& out) {
    int depth = 0;
    return convert_in(object, out, depth);
}

PyObject* value_to_py(const Value& value) {
    int depth = 0;
    return convert_out(value, depth);
}

bool extract_inputs(PyObject* dict_or_none, RunInputs& out) {
    if (dict_or_none == nullptr || dict_or_none == Py_None) return true;
    PyObject *key, *item;
    Py_ssize_t pos = 0;
    while (PyDict_Next(dict_or_none, &pos, &key, &item)) {
        if (!PyUnicode_Check(key)) {
            PyErr_Format(PyExc_TypeError, "input names must be str, not %.200s",
                         Py_TYPE(key)->tp_name);
            return false;
        }
        Py_ssize_t size = 0;
        const char* name = PyUnicode_AsUTF8AndSize(key, &size);
        if (!name) return false;
        Py_INCREF(item);
        Value value;
        bool ok = py_to_value(item, value);
        Py_DECREF(item);
        if (!ok) return false;
        out.emplace_back(std::string(name, static_cast<size_t>(size)), std::move(value));
    }
    return true;
}

PyObject* trace_span_to_py(const TraceSpan& span) {
    PyObject* dict = PyDict_New();
    if (!dict) return nullptr;
    PyObject* attributes = PyDict_New();
    bool ok = attributes != nullptr;
    for (const auto& [key, value] : span.attributes) {
        if (!ok) break;
        PyObject* k = text_to_py(key);
        PyObject* v = k ? text_to_py(value) : nullptr;
        ok = v && PyDict_SetItem(attributes, k, v) == 0;
        Py_XDECREF(k);
        Py_XDECREF(v);
    }
    PyObject* children = ok ? PyList_New(static_cast<Py_ssize_t>(span.children.size())) : nullptr;
    ok = ok && children;
    for (size_t i = 0; ok && i < span.children.size(); ++i) {
        PyObject* child = trace_span_to_py(span.children[i]);
        ok = child != nullptr;
        if (ok) PyList_SET_ITEM(children, static_cast<Py_ssize_t>(i), child);
    }
    ok = ok && set_item(dict, "name", text_to_py(span.name)) &&
         set_item(dict, "start_time_ms", PyLong_FromUnsignedLongLong(span.start_time_ms)) &&
         set_item(dict, "end_time_ms", PyLong_FromUnsignedLongLong(span.end_time_ms)) &&
         set_item(dict, "duration_us", PyLong_FromUnsignedLongLong(span.duration_us)) &&
         set_item(dict, "status",
                  PyUnicode_FromString(span.status == SpanStatus::Ok ? "ok" : "error"));
    if (ok) {
        ok = set_item(dict, "attributes", attributes);
        attributes = nullptr;
    }
    if (ok) {
        ok = set_item(dict, "children", children);
        children = nullptr;
    }
    Py_XDECREF(attributes);
    Py_XDECREF(children);
    if (!ok) {
        Py_DECREF(dict);
        return nullptr;
    }
    return dict;
}

PyObject* run_result_to_py(PyTypeObject* snapshot_type, VmState state,
                           const std::string& stdout_text, const ExecutionTrace* trace) {
    PyObject* dict = PyDict_New();
    if (!dict) return nullptr;
    bool ok;
    if (auto* complete = std::get_if<Complete>(&state)) {
        ok = set_item(dict, "output", value_to_py(complete->value));
    } else {
        auto& suspended = std::get<Suspended>(state);
        ok = set_item(dict, "suspended", Py_NewRef(Py_True)) &&
             set_item(dict, "function_name", text_to_py(suspended.function_name)) &&
             set_item(dict, "args", values_to_py_list(suspended.args)) &&
             set_item(dict, "snapshot", new_snapshot(snapshot_type, std::move(suspended.snapshot)));
    }
    ok = ok && set_item(dict, "stdout", text_to_py(stdout_text));
    if (ok && trace) ok = set_item(dict, "trace", trace_span_to_py(trace->root));
    if (!ok) {
        Py_DECREF(dict);
        return nullptr;
    }
    return dict;
}

}  // namespace corvane::py
