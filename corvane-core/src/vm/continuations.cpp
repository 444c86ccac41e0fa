// Async map/forEach iterations: after each callback frame returns, collect its result and
// start the next element's callback, or push the method's result.
#include "value_convert.h"
#include "vm/builtins/globals.h"
#include "vm/vm.h"

namespace corvane {

Result<void> Vm::process_continuation() {
    if (continuations.empty()) return {};
    Continuation& top = continuations.back();
    auto [frame_depth, callback_frame] = std::visit(
        [](const auto& c) { return std::pair<size_t, size_t>(c.frame_depth, c.callback_frame); }, top.node);
    if (frames.size() != frame_depth || callback_frame < frames.size()) return {};

    auto popped = pop();
    if (!popped) return fail(popped.error());
    Value value = std::move(*popped);
    if (is_promise(value)) {
        const ObjectMap& p = value.as_object();
        const Value* status = p.find("status");
        std::string_view s = status && status->is_string() ? status->as_str_view() : std::string_view();
        if (s == "resolved") {
            const Value* v = p.find("value");
            value = v ? *v : Value();
        } else if (s == "rejected") {
            const Value* reason = p.find("reason");
            std::string text = to_js_string(reason ? *reason : Value());
            continuations.pop_back();
            return fail(CorvaneError::runtime_error("Unhandled promise rejection: " + text));
        }
    }
    Continuation c = std::move(continuations.back());
    continuations.pop_back();
    return std::visit(
        [&](auto& k) -> Result<void> {
            using K = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<K, Continuation::Map>) k.results.push_back(std::move(value));
            size_t next = k.index + 1;
            if (next < k.items.size()) {
                size_t depth = frames.size();
                auto ok = push_call_frame(k.callback, {k.items[next], Value::integer(static_cast<int64_t>(next))},
                                          std::nullopt, std::nullopt);
                if (!ok) return ok;
                k.index = next;
                k.frame_depth = depth;
                k.callback_frame = frames.size() - 1;
                continuations.push_back(Continuation{std::move(k)});
                return {};
            }
            if constexpr (std::is_same_v<K, Continuation::Map>) {
                return push(Value::array(std::move(k.results)));
            } else {
                return push(Value());
            }
        },
        c.node);
}

}  // namespace corvane
