// Parser throughput: generates a ~1 MB realistic TypeScript program (classes, interfaces,
// generics, async functions, templates, regular expressions, optional chains), parses it
// repeatedly and prints MB/s. With an argument, also writes the program to that file so
// that other tools can be timed on the same text.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "parser/ast.h"

namespace {

std::string block(int i) {
    const std::string n = std::to_string(i);
    std::string s;
    s += "interface Record" + n + "<T extends object = {}> {\n  id: number;\n  name: string;\n"
         "  tags?: readonly string[];\n  meta: { created: string; owner?: T | null };\n}\n\n";
    s += "type Handler" + n + " = (event: { kind: \"a\" | \"b\"; payload: unknown }) => Promise<void>;\n\n";
    s += "class Service" + n + "<T> extends Base implements Iface {\n"
         "  private readonly cache = new Map<string, T>();\n  static instances = 0;\n"
         "  #counter = 0;\n"
         "  constructor(private readonly endpoint: string, public retries = 3) {\n"
         "    super();\n    Service" + n + ".instances++;\n  }\n\n"
         "  async fetchAll(ids: number[]): Promise<T[]> {\n"
         "    const results: T[] = [];\n"
         "    for (const id of ids) {\n"
         "      const key = `${this.endpoint}/${id}?v=${this.#counter++}`;\n"
         "      const hit = this.cache.get(key);\n"
         "      if (hit !== undefined) { results.push(hit); continue; }\n"
         "      try {\n"
         "        const value = (await http_get(key, { retries: this.retries })) as T;\n"
         "        this.cache.set(key, value);\n        results.push(value);\n"
         "      } catch (err: any) {\n"
         "        console.log(`failed ${key}: ${err?.message ?? String(err)}`);\n"
         "      }\n    }\n    return results;\n  }\n\n"
         "  summarize(rows: Array<{ score: number; label?: string }>): string {\n"
         "    const total = rows.reduce((sum, { score }) => sum + score * 2 - 1 / (score || 1), 0);\n"
         "    const labels = rows.map((r) => r.label?.trim().toLowerCase() ?? \"none\")\n"
         "      .filter((l) => /^[a-z][a-z0-9_-]*$/i.test(l));\n"
         "    return labels.length > 0 ? `${labels.join(\", \")}: ${total.toFixed(2)}` : \"empty\";\n"
         "  }\n}\n\n";
    s += "function transform" + n + "<K extends string, V>(input: Record<K, V>, fn: (v: V, k: K) => V): Record<K, V> {\n"
         "  const out = {} as Record<K, V>;\n"
         "  for (const [k, v] of Object.entries(input) as [K, V][]) {\n"
         "    out[k] = fn(v, k);\n  }\n"
         "  let i = 0, acc = 0x1f + 0b1010 + 1_000;\n"
         "  while (i < 10 && acc >= 0) { acc = (acc << 1) ^ (i++ % 3); }\n"
         "  switch (acc & 3) { case 0: acc += 1; break; case 1: case 2: acc -= 1; break; default: acc = 0; }\n"
         "  return out;\n}\n\n";
    s += "const config" + n + " = { name: \"svc-" + n + "\", enabled: true, limits: [1, 2, 3], nested: { deep: { value: null } } };\n";
    s += "const handler" + n + ": Handler" + n + " = async ({ kind, payload }) => {\n"
         "  if (kind === \"a\") { console.log(JSON.stringify(payload)); }\n"
         "  else { await notify(config" + n + ".name, payload); }\n};\n\n";
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::string text = "declare class Base {}\ninterface Iface {}\n";
    for (int i = 0; text.size() < 1'000'000; ++i) text += block(i);
    if (argc > 1) {
        std::ofstream(argv[1], std::ios::binary) << text;
    }
    corvane::parser::ParseResult check = corvane::parser::parse_typescript(text);
    if (!check.ok()) {
        std::fprintf(stderr, "benchmark program does not parse: %s\n", check.diagnostics[0].c_str());
        return 1;
    }
    const int rounds = 20;
    double best = 1e9;
    size_t nodes = check.ast.nodes.size();
    for (int r = 0; r < rounds; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        corvane::parser::ParseResult res = corvane::parser::parse_typescript(text);
        auto t1 = std::chrono::steady_clock::now();
        nodes = res.ast.nodes.size();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("input: %.2f MB, %zu nodes\n", mb, nodes);
    std::printf("best parse: %.2f ms, %.1f MB/s\n", best * 1e3, mb / best);
    return 0;
}
