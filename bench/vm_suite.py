"""Machine benchmarks: small programs timed through the Python API.

Each program runs with raised limits; the figure is the best of a few runs. Where the
`quickjs` package is importable, the same program runs there too and the ratio is shown.
The scaling rows run one program at two sizes: a linear implementation keeps the
per-element time flat as the size grows tenfold.

    python bench/vm_suite.py            # all rows
    python bench/vm_suite.py fib        # rows whose name contains "fib"
"""
import sys
import time

import corvane

try:
    import quickjs  # optional reference
except ImportError:  # pragma: no cover - optional
    quickjs = None

LIMITS = dict(time_limit_ms=120_000, max_allocations=10**12, max_stack_depth=10_000)

SUITE = {
    "fib(25)": "function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2) } fib(25)",
    "numeric loop 1e6": "let s = 0; for (let i = 0; i < 1000000; i++) { s = (s + i * 3) % 1000003 } s",
    "string building 1e5": 'let s = ""; for (let i = 0; i < 100000; i++) { s += "x" } s.length',
    "object churn 1e5": (
        "let total = 0; for (let i = 0; i < 100000; i++) "
        "{ const o = { a: i, b: i + 1, c: [i, i] }; total += o.a + o.b + o.c[1] } total"
    ),
    "array churn 1e5": (
        "let xs = []; for (let i = 0; i < 100000; i++) { xs[i] = i } "
        "let s = 0; for (const x of xs) s += x; s"
    ),
}

# (name, template with {n}) run at n and 10n.
SCALING = {
    "for-of over n elements": (
        "let xs = []; for (let i = 0; i < {n}; i++) xs[i] = i; "
        "let s = 0; for (const x of xs) s += x; s"
    ),
    "fill array by index": "let a = []; for (let i = 0; i < {n}; i++) {{ a[i] = i }} a.length",
    "fill object by key": "let o = {{}}; for (let i = 0; i < {n}; i++) {{ o['k' + i] = i }} 0",
    "method updating this": (
        "let c = {{ n: 0, items: [], inc() {{ this.n = this.n + 1 }} }}; "
        "for (let i = 0; i < {n}; i++) c.inc(); c.n"
    ),
    "nested member fill (o.a[i] = v)": (
        "let c = {{ items: [] }}; for (let i = 0; i < {n}; i++) c.items[i] = i; c.items.length"
    ),
    "closures over a big value": (
        "let big = []; for (let i = 0; i < {n}; i++) big[i] = i; "
        "let fs = 0; for (let i = 0; i < {n}; i++) {{ const f = () => big.length; fs++ }} fs"
    ),
}


def best_of(fn, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        started = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - started)
    return best


def time_corvane(code):
    program = corvane.Corvane(code, **LIMITS)
    return best_of(program.run)


def time_quickjs(code):
    if quickjs is None:
        return None
    return best_of(lambda: quickjs.Context().eval(code))


def main(selected):
    print(f"{'program':34} {'corvane ms':>11} {'quickjs ms':>11} {'ratio':>7}")
    for name, code in SUITE.items():
        if selected and selected not in name:
            continue
        ours = time_corvane(code)
        theirs = time_quickjs(code)
        ratio = f"{ours / theirs:7.1f}" if theirs else "      -"
        theirs_ms = f"{theirs * 1000:11.2f}" if theirs else "          -"
        print(f"{name:34} {ours * 1000:11.2f} {theirs_ms} {ratio}")
    print()
    print(f"{'scaling (n = 10,000 -> 100,000)':34} {'us/elem n':>11} {'us/elem 10n':>11} {'growth':>7}")
    for name, template in SCALING.items():
        if selected and selected not in name:
            continue
        small = time_corvane(template.format(n=10_000)) / 10_000
        large = time_corvane(template.format(n=100_000)) / 100_000
        print(f"{name:34} {small * 1e6:11.3f} {large * 1e6:11.3f} {large / small:7.2f}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "")
