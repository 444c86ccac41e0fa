// The class `CorvaneSnapshot`: the suspended state of a run as immutable bytes. Only the
// binding creates instances; Python code cannot construct one.
#include "binding.h"

namespace corvane::py {

namespace {

struct SnapshotObject {
    PyObject_HEAD
    CorvaneSnapshot* snapshot;
};

void snapshot_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    delete reinterpret_cast<SnapshotObject*>(self)->snapshot;
    type->tp_free(self);
    Py_DECREF(type);
}

PyType_Slot snapshot_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(snapshot_dealloc)},
    {Py_tp_doc, const_cast<char*>("")},
    {0, nullptr},
};

PyType_Spec snapshot_spec = {
    "corvane.CorvaneSnapshot",
    sizeof(SnapshotObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    snapshot_slots,
};

}  // namespace

PyTypeObject* create_snapshot_type(PyObject* module) {
    return reinterpret_cast<PyTypeObject*>(
        PyType_FromModuleAndSpec(module, &snapshot_spec, nullptr));
}

PyObject* new_snapshot(PyTypeObject* type, CorvaneSnapshot snapshot) {
    auto owned = std::make_unique<CorvaneSnapshot>(std::move(snapshot));
    auto* self = reinterpret_cast<SnapshotObject*>(type->tp_alloc(type, 0));
    if (!self) return nullptr;
    self->snapshot = owned.release();
    return reinterpret_cast<PyObject*>(self);
}

}  // namespace corvane::py
