// Front-end throughput: generates a ~1 MB realistic TypeScript program (interfaces and type
// aliases, classes with fields, getters and static members, generic and async functions,
// arrow callbacks, object and array literals, template literals, destructuring, optional
// chains, regular expressions, loops, switch and try) that the whole front end accepts.
// Times the parser alone (parse_typescript) and the front end (front_end::parse: source
// preparation, parsing and lowering to the IR), best of N rounds each, and prints MB/s.
// With an argument, also writes the program to that file so that other tools can be timed
// on the same text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "parser/ast.h"
#include "parser/front_end.h"
#include "parser/lower.h"

namespace {

std::string block(int i) {
    const std::string n = std::to_string(i);
    std::string s;
    s += "interface Record" + n + "<T extends object = {}> {\n  id: number;\n  name: string;\n"
         "  tags?: readonly string[];\n  meta: { created: string; owner?: T | null };\n"
         "  [key: string]: unknown;\n}\n\n";
    s += "type Handler" + n + " = (event: { kind: \"a\" | \"b\"; payload: unknown }) => Promise<void>;\n";
    s += "type Pair" + n + "<A, B = A> = readonly [first: A, second?: B] | null;\n\n";
    s += "class Service" + n + "<T> extends Base implements Iface {\n"
         "  private readonly cache: Map<string, T> = new Map<string, T>();\n"
         "  static instances: number = 0;\n"
         "  protected counter = 0;\n"
         "  endpoint: string;\n  retries: number;\n"
         "  constructor(endpoint: string, retries = 3) {\n"
         "    super();\n    this.endpoint = endpoint;\n    this.retries = retries;\n"
         "    Service" + n + ".instances++;\n  }\n\n"
         "  get size(): number { return this.cache.size; }\n\n"
         "  async fetchAll(ids: number[]): Promise<T[]> {\n"
         "    const results: T[] = [];\n"
         "    for (const id of ids) {\n"
         "      const key = `${this.endpoint}/${id}?v=${this.counter++}`;\n"
         "      const hit = this.cache.get(key);\n"
         "      if (hit !== undefined) { results.push(hit); continue; }\n"
         "      try {\n"
         "        const value = (await http_get(key, { retries: this.retries })) as T;\n"
         "        this.cache.set(key, value);\n        results.push(value);\n"
         "      } catch (err: any) {\n"
         "        console.log(`failed ${key}: ${err?.message ?? String(err)}`);\n"
         "      } finally {\n        this.counter += 1;\n      }\n    }\n    return results;\n  }\n\n"
         "  summarize(rows: Array<{ score: number; label?: string }>): string {\n"
         "    const total = rows.reduce((sum, { score }) => sum + score * 2 - 1 / (score || 1), 0);\n"
         "    const labels = rows.map((r) => r.label?.trim().toLowerCase() ?? \"none\")\n"
         "      .filter((l) => /^[a-z][a-z0-9_-]*$/i.test(l));\n"
         "    return labels.length > 0 ? `${labels.join(\", \")}: ${total.toFixed(2)}` : \"empty\";\n"
         "  }\n\n"
         "  static create(endpoint: string): Service" + n + "<unknown> {\n"
         "    return new Service" + n + "<unknown>(endpoint);\n  }\n}\n\n";
    s += "function transform" + n + "<K extends string, V>(input: Record<K, V>, fn: (v: V, k: K) => V): Record<K, V> {\n"
         "  const out = {} as Record<K, V>;\n"
         "  for (const [k, v] of Object.entries(input) as [K, V][]) {\n"
         "    out[k] = fn(v, k);\n  }\n"
         "  let i = 0, acc = 0x1f + 0b1010 + 1_000;\n"
         "  while (i < 10 && acc >= 0) { acc = (acc << 1) ^ (i++ % 3); }\n"
         "  do { acc -= 7; } while (acc > 100);\n"
         "  switch (acc & 3) { case 0: acc += 1; break; case 1: case 2: acc -= 1; break; default: acc = 0; }\n"
         "  return out;\n}\n\n";
    s += "const config" + n + " = { name: \"svc-" + n + "\", enabled: true, limits: [1, 2, 3],\n"
         "  nested: { deep: { value: null, ratio: 0.75, label: 'x' } }, ...defaults };\n";
    s += "const { name: name" + n + ", limits: [first" + n + ", ...rest" + n + "] } = config" + n + ";\n";
    s += "const handler" + n + ": Handler" + n + " = async ({ kind, payload }) => {\n"
         "  if (kind === \"a\") { console.log(JSON.stringify(payload)); }\n"
         "  else if (kind === \"b\") { await notify(config" + n + ".name, payload!); }\n"
         "  else { throw new Error(`unknown kind ${kind}`); }\n};\n";
    s += "const scores" + n + " = [3, 1, 2].map((x, i) => ({ x, i, sq: x ** 2 }))"
         ".sort((a, b) => b.sq - a.sq).slice(0, 2);\n\n";
    return s;
}

// The best time of `rounds` calls of run(). The result is destroyed after the clock
// stops: freeing the tree is not part of building it.
template <class F>
double best_of(int rounds, F&& run) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        auto result = run();
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::string text = "declare class Base {}\ninterface Iface {}\nconst defaults = { retries: 1 };\n";
    for (int i = 0; text.size() < 1'000'000; ++i) text += block(i);
    if (argc > 1) {
        std::ofstream(argv[1], std::ios::binary) << text;
    }
    const char* env_rounds = std::getenv("PARSE_BENCH_ROUNDS");
    const int rounds = env_rounds != nullptr ? std::max(1, std::atoi(env_rounds)) : 20;

    corvane::parser::ParseResult check = corvane::parser::parse_typescript(text);
    if (!check.ok()) {
        std::fprintf(stderr, "benchmark program does not parse: %s\n", check.diagnostics[0].c_str());
        return 1;
    }
    auto lowered = corvane::front_end::parse(text);
    if (!lowered) {
        std::fprintf(stderr, "benchmark program does not lower: %s\n", lowered.error().display().c_str());
        return 1;
    }
    const size_t nodes = check.ast.nodes.size();

    const double parse_s = best_of(rounds, [&] { return corvane::parser::parse_typescript(text); });
    const double lower_s = best_of(rounds, [&] {
        corvane::front_end::AstLowerer lowerer(check.ast);
        return lowerer.lower_program(check);
    });
    const double front_s = best_of(rounds, [&] { return corvane::front_end::parse(text); });
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("input: %.2f MB, %zu nodes, %zu top-level statements\n", mb, nodes,
                lowered->body.size());
    std::printf("best parse:                 %7.2f ms, %6.1f MB/s\n", parse_s * 1e3, mb / parse_s);
    std::printf("best lower (tree ready):    %7.2f ms\n", lower_s * 1e3);
    std::printf("best front_end::parse:      %7.2f ms, %6.1f MB/s (parse + lower)\n", front_s * 1e3,
                mb / front_s);
    return 0;
}
