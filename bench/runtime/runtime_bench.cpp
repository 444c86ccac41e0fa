// Times the runtime library's heaviest everyday operations on realistic inputs and prints
// the median of several runs: JSON.parse and JSON.stringify of a 1 MB document, split of a
// 1 MB text into 100,000 pieces and join of 100,000 pieces, plus a few text methods.
//
//   corvane_runtime_bench [runs [name-filter]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "trace.h"
#include "value.h"
#include "vm/builtins/array_methods.h"
#include "vm/builtins/call_builtin.h"
#include "vm/builtins/json.h"

namespace {

using corvane::Value;

// A document shaped like typical API output: records with a few scalar fields, a short
// list and a nested object, about 1 MB as text.
std::string make_document() {
    std::string doc = "[";
    for (int i = 0; doc.size() < 1'000'000; ++i) {
        if (i) doc += ",";
        doc += "{\"id\":" + std::to_string(i) + ",\"name\":\"user " + std::to_string(i) +
               "\",\"score\":" + std::to_string(i) + ".5,\"active\":" + (i % 3 ? "true" : "false") +
               ",\"tags\":[\"a\",\"bc\",\"def\"]," +
               "\"address\":{\"city\":\"Springfield\",\"zip\":\"" + std::to_string(10000 + i) +
               "\"}}";
    }
    return doc + "]";
}

// Only benchmarks whose name contains this text run (all when empty).
std::string g_filter;

double median_ms(int runs, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const int64_t start = corvane::monotonic_now_ns();
        body();
        times.push_back(static_cast<double>(corvane::monotonic_now_ns() - start) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool wanted(const char* name) {
    return std::string(name).find(g_filter) != std::string::npos;
}

void report(const char* name, double ms, double megabytes) {
    std::printf("%-44s %9.2f ms", name, ms);
    if (megabytes > 0) std::printf("  %8.1f MB/s", megabytes / (ms / 1000.0));
    std::printf("\n");
}

template <class T>
T must(corvane::Result<T> r, const char* what) {
    if (!r) {
        std::fprintf(stderr, "%s failed: %s\n", what, r.error().display().c_str());
        std::exit(1);
    }
    return std::move(*r);
}

Value must_call(const Value& receiver, std::string_view method, std::vector<Value> args) {
    corvane::RunBudget budget(corvane::monotonic_now_ns() + 60'000'000'000);
    auto r = corvane::call_builtin(budget, receiver, method, args);
    if (!r) {
        std::fprintf(stderr, "no such method %s\n", std::string(method).c_str());
        std::exit(1);
    }
    return must(std::move(*r), "call");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    if (argc > 2) g_filter = argv[2];
    // A deadline far away, so the clock polling is part of what is measured.
    const auto budget = [] {
        return corvane::RunBudget(corvane::monotonic_now_ns() + 60'000'000'000);
    };

    const std::string doc = make_document();
    const double doc_mb = static_cast<double>(doc.size()) / 1e6;
    std::printf("document: %zu bytes\n", doc.size());

    Value parsed;
    if (wanted("JSON.parse, 1 MB document"))
        report("JSON.parse, 1 MB document",
               median_ms(runs,
                         [&] {
                             auto b = budget();
                             parsed = must(corvane::json_parse(b, {{Value::string(doc)}}), "parse");
                         }),
               doc_mb);
    // Hostile input: a megabyte of opening brackets ends in the depth error, in linear time.
    const Value brackets = Value::string(std::string(1'000'000, '['));
    if (wanted("JSON.parse, 1 MB of '[' (depth error)"))
        report("JSON.parse, 1 MB of '[' (depth error)",
               median_ms(runs,
                         [&] {
                             auto b = budget();
                             if (corvane::json_parse(b, {{brackets}})) std::exit(1);
                         }),
               1.0);
    if (parsed.is_undefined()) {
        auto b = budget();
        parsed = must(corvane::json_parse(b, {{Value::string(doc)}}), "parse");
    }
    std::string text;
    if (wanted("JSON.stringify, 1 MB document"))
        report("JSON.stringify, 1 MB document",
               median_ms(runs,
                         [&] {
                             auto b = budget();
                             text = must(corvane::value_to_json(b, parsed), "stringify");
                         }),
               doc_mb);
    if (!text.empty() && text != doc)
        std::printf("  (unexpected: the written text differs from the document)\n");

    // 100,000 pieces of 9 bytes and a one-byte separator: about 1 MB.
    std::string csv;
    for (int i = 0; i < 100000; ++i) {
        if (i) csv += ",";
        char piece[16];
        std::snprintf(piece, sizeof piece, "item%05d", i);
        csv += piece;
    }
    const Value csv_value = Value::string(csv);
    Value pieces;
    if (wanted("split, 1 MB into 100,000 pieces"))
        report(
            "split, 1 MB into 100,000 pieces",
            median_ms(runs, [&] { pieces = must_call(csv_value, "split", {Value::string(",")}); }),
            static_cast<double>(csv.size()) / 1e6);
    if (!pieces.is_array()) pieces = must_call(csv_value, "split", {Value::string(",")});
    if (pieces.as_array().size() != 100000) std::printf("  (unexpected piece count)\n");
    if (wanted("join, 100,000 pieces"))
        report("join, 100,000 pieces",
               median_ms(runs, [&] { (void)must_call(pieces, "join", {Value::string(",")}); }),
               static_cast<double>(csv.size()) / 1e6);
    Value numbers;
    {
        corvane::Array xs;
        for (int i = 0; i < 100000; ++i) xs.push_back(Value::number(i * 0.5));
        numbers = Value::array(std::move(xs));
    }
    if (wanted("join, 100,000 numbers"))
        report("join, 100,000 numbers",
               median_ms(runs, [&] { (void)must_call(numbers, "join", {}); }), 0);
    if (wanted("split(\"\"), 1 MB into characters"))
        report("split(\"\"), 1 MB into characters",
               median_ms(runs, [&] { (void)must_call(csv_value, "split", {Value::string("")}); }),
               static_cast<double>(csv.size()) / 1e6);
    if (wanted("replaceAll, 1 MB, 100,000 hits"))
        report("replaceAll, 1 MB, 100,000 hits",
               median_ms(runs,
                         [&] {
                             (void)must_call(csv_value, "replaceAll",
                                             {Value::string(","), Value::string(";  ")});
                         }),
               static_cast<double>(csv.size()) / 1e6);
    if (wanted("toUpperCase, 1 MB"))
        report("toUpperCase, 1 MB",
               median_ms(runs, [&] { (void)must_call(csv_value, "toUpperCase", {}); }),
               static_cast<double>(csv.size()) / 1e6);
    const Value hay = Value::string(std::string(1'000'000, 'a'));
    const Value needle = Value::string(std::string(1000, 'a') + "b");
    if (wanted("indexOf, 1 MB, near-miss 1001-byte needle"))
        report("indexOf, 1 MB, near-miss 1001-byte needle",
               median_ms(runs, [&] { (void)must_call(hay, "indexOf", {needle}); }), 1.0);
    return 0;
}
