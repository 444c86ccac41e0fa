"""A first look at Corvane: run a small TypeScript program from Python.

The program is what a language model might write for an agent task; the host decides
which of its own functions the program may call and how long it may run.
"""
import corvane

PROGRAM = """
interface Item { name: string; price: number }

function total(items: Item[]): number {
  let sum = 0;
  for (const item of items) sum += item.price;
  return sum;
}

const items: Item[] = [{ name: "tea", price: 3.5 }, { name: "cake", price: 4 }];
console.log(`${items.length} items`);
total(items)
"""


def main() -> None:
    print("corvane exports:", [n for n in dir(corvane) if not n.startswith("_")])
    program = corvane.Corvane(PROGRAM, external_functions=["fetch"], time_limit_ms=1000)
    try:
        result = program.run({"currency": "EUR"})
    except RuntimeError as error:
        # Every engine failure arrives as RuntimeError with a readable text.
        print("run failed:", error)
        return
    print("output:", result["output"])
    print("stdout:", result["stdout"], end="")
    print("stages:", [(s["name"], s["duration_us"]) for s in result["trace"]["children"]])

    # Anything that could reach outside the sandbox is refused; limits stop runaway code.
    for hostile in ["require('fs')", "globalThis.process", "while (true) {}"]:
        try:
            corvane.Corvane(hostile, time_limit_ms=50, max_allocations=10**9).run()
        except RuntimeError as error:
            print(f"{hostile!r:24} -> {error}")


if __name__ == "__main__":
    main()
