"""Language behaviour through the Python API: tables of (program, expected)."""
import math

import pytest

from corvane import Corvane


def run(code, **kwargs):
    inputs = kwargs.pop("inputs", None)
    return Corvane(code, **kwargs).run(inputs)


def output(code, **kwargs):
    return run(code, **kwargs)["output"]


def error_text(code, **kwargs):
    with pytest.raises(RuntimeError) as info:
        run(code, **kwargs)
    return str(info.value)


def same(a, b):
    """Equality that also tells int from float and NaN from everything."""
    if isinstance(a, float) and isinstance(b, float) and math.isnan(a):
        return math.isnan(b)
    if type(a) is not type(b):
        return False
    if isinstance(a, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, dict):
        return list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, float) and a == 0:
        return math.copysign(1, a) == math.copysign(1, b)
    return a == b


ARITHMETIC = [
    ("1 + 2", 3),
    ("9223372036854775807 + 1", 9223372036854775808.0),
    ("1.5 + 1", 2.5),
    ("2.0 + 3.0", 5),  # whole literals compile to Int
    ("0.5 + 0.5", 1.0),
    ('"a" + 1', "a1"),
    ('1 + "a"', "1a"),
    ('null + "x"', "nullx"),
    ("true + 1", 2.0),
    ('[1, 2] + ""', "1,2"),
    ("7 / 2", 3.5),
    ("6 / 3", 2.0),
    ("1 / 0", math.inf),
    ("-7 % 2", -1),
    ("7 % 0", math.nan),
    ("2 ** 10", 1024.0),
    ("3 * 4", 12),
    ("4611686018427387904 * 4", 1.8446744073709552e19),
    ("-1 >>> 0", 0),
    ("1 << 33", 2),
    ("2147483648 | 0", 2147483647),
    ("~NaN", -1),
    ("5 & 3", 1),
    ("5 ^ 3", 6),
    ("-8 >> 1", -4),
    ("0.1 + 0.2", 0.30000000000000004),
    ("typeof 1", "number"),
    ("typeof 1.5", "number"),
    ('typeof "s"', "string"),
    ("typeof [1]", "object"),
    ("typeof {}", "object"),
    ("typeof null", "null"),
    ("typeof undefined", "undefined"),
    ("typeof (() => 1)", "function"),
    ('typeof "abc".toUpperCase', "function"),
    ("typeof Math.max", "function"),
    ("void 0", None),
    ("-(5)", -5),
    ("-(5.5)", -5.5),
    ("!0", True),
]

COMPARISON = [
    ("1 === 1.0", True),
    ("0 === -0", True),
    ("NaN === NaN", False),
    ('1 == "1"', False),
    ("null == undefined", False),
    ("let a = [1]; a === a", False),
    ("[] === []", False),
    ('"b" > "a"', False),
    ('"10" > "9"', True),
    ("2 < 3", True),
    ("3 <= 3", True),
    ("NaN < 1", False),
    ('"ab" === "ab"', True),
    ("1 !== 2", True),
]

TRUTHINESS = [
    ('"" ? 1 : 2', 2),
    ('"0" ? 1 : 2', 1),
    ("[] ? 1 : 2", 1),
    ("({}) ? 1 : 2", 1),
    ("NaN ? 1 : 2", 2),
    ("-0 ? 1 : 2", 2),
    ("null ?? 5", 5),
    ("0 ?? 5", 0),
    ("0 || 5", 5),
    ("1 && 2", 2),
    ("let x = 0; x ||= 5; x", 5),
    ("let x = 1; x ||= 5; x", 1),
    ("let x = 1; x &&= 7; x", 7),
    ("let x = null; x ??= 3; x", 3),
    ("let o = null; o?.a", None),
    ("let o = {a: {b: 2}}; o?.a?.b", 2),
]

VARIABLES_AND_CONTROL = [
    ("", None),
    ("let x = 1;", None),
    ("let x = 1; x", 1),
    ("let a = 1; { let a = 2; } a", 2),
    ("undeclaredThing", None),
    ("y = 3; y", 3),
    ("let s = 0; for (let i = 0; i < 10; i++) { s += i } s", 45),
    ("let s = 0; let i = 0; while (i < 5) { s += i; i++ } s", 10),
    ("let i = 0; do { i++ } while (i < 3); i", 3),
    ("let s = 0; for (const x of [1, 2, 3]) s += x; s", 6),
    ('let r = []; for (const c of "héllo") r.push(c); r', []),  # push never changes r
    ('let n = 0; for (const c of "héllo") n++; n', 5),
    ("let n = 0; for (const x of []) n++; n", 0),
    (
        "let s = 0; for (let i = 0; i < 10; i++) { if (i == 5) break; if (i % 2) continue; s += i } s",
        6,
    ),
    (
        """let r = "";
        for (const x of [1, 2, 3]) {
          switch (x) {
            case 2: continue;
            default: r += x;
          }
        }
        r""",
        "13",
    ),
    (
        """function f(x) { switch (x) { case 1: return "one"; case 2: case 3: return "few"; default: return "many"; } }
        [f(1), f(3), f(9)]""",
        ["one", "few", "many"],
    ),
    (
        """let out = [];
        outer: for (const a of [1, 2]) { for (const b of [1, 2]) { if (b == 2) continue outer; out = [...out, a * 10 + b]; } }
        out""",
        [11, 21],
    ),
    ("let t = `a${1 + 1}b`; t", "a2b"),
    ("let n = 5; `${n}`", "5"),
    ("``", ""),
    ("let a = 1, b = 2; [a, b] = [b, a]; [a, b]", None),  # replaced by an error case below
]
VARIABLES_AND_CONTROL.pop()

OBJECTS_AND_ARRAYS = [
    ('"héllo".length', 5),
    ("[1, 2, 3].length", 3),
    ("({length: 7}).length", 7),
    ('[10, 20]["+1"]', None),  # index access with a string key
    ("let a = [10, 20]; a[1]", 20),
    ("let a = [10, 20]; a[1.7]", 20),
    ("({ a: 1, b: 2, a: 3 })", {"a": 3, "b": 2}),
    ("let a = [1, 2]; a[4] = 5; a", [1, 2, None, None, 5]),
    ("let a = []; a[1024] = 1; a.length", 1025),
    ("let a = [1]; a[-1] = 5; a", [1]),
    ("let o = {k: undefined}; ['k' in o, o.k]", [True, None]),
    ('"push" in [1]', False),
    ("1 in [5, 6]", True),
    ("let o = {a: {b: 1}}; o.a.b = 2; o", {"a": {"b": 2}}),
    ("let arr = [1, 2]; arr[1] += 2; arr", [1, 4]),
    ("let a = [1]; let b = a; b[0] = 9; [a, b]", [[1], [9]]),
    ("let a = [1]; let b = a; b.push(2); a", [1]),
    ("[1, 2].push(3)", 3),
    ("let xs = [1, 2]; [...xs, 3, ...'ab']", [1, 2, 3, "a", "b"]),
    ("let o = {a: 1, b: 2}; ({...o, a: 3, c: 4})", {"a": 3, "b": 2, "c": 4}),
    ("({z: 0, ...{a: 1}, z: 2})", {"z": 2, "a": 1}),
    ("({...[7, 8]})", {"0": 7, "1": 8}),
    ("({...5})", {}),
    ("function f(a, b, c) { return a + b + c } f(...[1, 2], 3)", 6),
    ("let {a, b: {c}} = {a: 1, b: {c: 2}}; [a, b]", [1, {"c": 2}]),
    ("let [x, , y] = [1, 2, 3]; [x, y]", [1, 3]),
    ("let [[p, q], r] = [[1, 2], 3]; [p, q, r]", [1, 2, 3]),
    ("({ [1 + 1]: 'x' })", {"<computed>": "x"}),
    ('({ ["k"]: 1 })', {"k": 1}),
    ("Math.PI; let obj = {}; obj.missing", None),
    ("const M = Math; M.max(1, 2)", 2.0),
]

FUNCTIONS_AND_CLASSES = [
    ("function add(a, b) { return a + b } add(2, 3)", 5),
    ("const f = (x) => x * 2; f(4)", 8),
    ("function f(a, b = 10) { return a + b } f(1)", 11),
    ("function f(...rest) { return rest } f(1, 2)", [1, 2]),
    ("function f({a, b}) { return a + b } f({a: 1, b: 2})", 3),
    ("function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2) } fib(15)", 610),
    ("function f() {} f()", None),
    ("const f = function () { return 1 }; (() => f())()", 1),
    (
        """let obj = { n: 1, inc() { this.n = this.n + 1 } };
        obj.inc(); obj.inc(); obj.n""",
        3,
    ),
    (
        """class Counter {
          constructor(start) { this.count = start; }
          add(k) { this.count += k; return this.count; }
        }
        const c = new Counter(5);
        const r = c.add(2);
        [r, c.count]""",
        [7, 7],
    ),
    (
        """class A { constructor() { this.x = 1; } hello() { return "A" } }
        class B extends A { constructor() { super(); this.y = 2; } }
        const b = new B();
        [b.x, b.y, b.__class__, b.hello()]""",
        [1, 2, "B", "A"],
    ),
    (
        """class A { constructor(v) { this.v = v } }
        class B extends A { constructor() { super(1) } }
        class C extends A { constructor() { super(2) } }
        class D extends B { constructor() { super() } }
        [new B().v, new C().v, new D().v]""",
        [1, 2, 1],
    ),
    ("class C {} new C() instanceof C", True),
    ("class A {} class B extends A {} new B() instanceof A", False),
    ("class C {} 5 instanceof C", False),
    ("class P { static make() { return 42 } } P.make()", 42),
    (
        """class Stack { constructor() { this.items = [] } push(x) { this.items = [...this.items, x] } }
        const s = new Stack(); s.push(1); s.push(2); s.items""",
        [1, 2],
    ),
    (
        """let a = { n: 0, inc() { this.n++ } }; let b = { inner: a };
        b.inner.inc(); [a.n, b.inner.n]""",
        [0, 0],
    ),
    ("let s = ' x '; let t = 'y'; s.concat(t.trim())", " x y"),
    ("let xs = [1]; let ys = [2, 3]; xs.push(ys.pop())", 2),
    ("let obj = { n: 1, m() { return this } }; const f = obj.m; f()", None),
    ("const fact = (n) => n <= 1 ? 1 : n * fact(n - 1); fact(5)", 120),
    ("await 5", 5),
    ("await Promise.resolve(7)", 7),
    ("async function f() { return 3 } await f()", 3),
]

GLOBALS = [
    ("Math.max()", -math.inf),
    ("Math.min()", math.inf),
    ("Math.max(3)", 3.0),
    ('Math.max("7", 2)', 7.0),
    ("Math.max(NaN, 1)", math.nan),
    ("Math.max(1, NaN)", 1.0),
    ("Math.round(-2.5)", -3.0),
    ("Math.round(2.5)", 3.0),
    ("Math.round(-0.4)", -0.0),
    ("Math.sign(-0)", 0.0),
    ("Math.sign(NaN)", 0.0),
    ("Math.random()", 0.5),
    ("Math.floor(7)", 7.0),
    ("Math.SQRT1_2", 0.7071067811865475),
    ("Math.pow(1)", 1.0),
    ("Math.pow(2, 3)", 8.0),
    ('Array.from("héllo").length', 5),
    ("Array.from(5)", []),
    ("Array.isArray([])", True),
    ("Array.of(1, 2)", [1, 2]),
    ("Object.keys(5)", []),
    ("Object.keys([1, 2])", []),
    ("Object.entries({x: 1})", [["x", 1]]),
    ("Object.values({x: 1, y: 'b'})", [1, "b"]),
    ("Object.assign({a: 1}, {b: 2}, 7, {a: 3})", {"a": 3, "b": 2}),
    ("let a = {a: 1}; Object.assign(a, {b: 2}); a", {"a": 1}),
    ("let o = {q: 1}; Object.freeze(o)", {"q": 1}),
    ("Promise.all([1, Promise.resolve(2)])", {"__promise__": True, "status": "resolved", "value": [1, 2]}),
    ('Promise.all([Promise.reject("e"), 1])', {"__promise__": True, "status": "rejected", "reason": "e"}),
    ("Promise.all(5)", {"__promise__": True, "status": "resolved", "value": []}),
]

EXCEPTIONS = [
    ('let r; try { throw "boom" } catch (e) { r = e } r', "runtime error: boom"),
    ("let r; try { throw 42 } catch (e) { r = e } r", "runtime error: 42"),
    ("let r; try { throw { a: 1 } } catch (e) { r = e } r", "runtime error: [object Object]"),
    ("let r; try { undefinedFunction() } catch (e) { r = e } r", "type error: undefined is not a function"),
    ('let r; try { new Error("x") } catch (e) { r = e } r', "type error: undefined is not a constructor"),
    ("let r = 0; try { throw 1 } finally { r = 2 } r", 2),
    ("let r = []; try { r = [...r, 1] } finally { r = [...r, 2] } r", [1, 2]),
    (
        "function f(n) { return f(n + 1) } let r; try { f(0) } catch (e) { r = e } r",
        "stack overflow (depth 513)",
    ),
    (
        """function g() { try { return 1 } catch (e) { return 2 } }
        let r; g(); try { null.x } catch (e) { r = e } r""",
        "type error: Cannot read properties of null (reading 'x')",
    ),
    ("let r; try { Math.hypot(3, 4) } catch (e) { r = e } r", "type error: Math.hypot is not a function"),
    # an error a callback does not catch ends the builtin call; the caller's try sees it
    ("let r; try { [1].map(x => { throw 'inner' }) } catch (e) { r = e } r", "runtime error: inner"),
    ("let r = 'none'; try { [1].map(x => { try { throw 'a' } catch (e) { return 5 } }) } catch (e) { r = e } r", "none"),
    ("let r; try { 'ab'.substr2() } catch (e) { r = e } r", "type error: undefined is not a function"),
]

ERRORS = [
    ('throw "boom"', "runtime error: boom"),
    ("let x = 5; for (const c of x) {}", "type error: number is not iterable"),
    ("let x = 1; x.y = 1", "type error: cannot set property 'y' on number"),
    ("let x = [1]; x.y = 1", "type error: cannot set property 'y' on object"),
    ("let a = []; a[2000] = 1", "runtime error: array index 2000 too far beyond length 0"),
    ("undefined.x", "type error: Cannot read properties of undefined (reading 'x')"),
    ("Object.freeze()", "type error: Object.freeze is not a function"),
    ("f().x = 1", "compile error: invalid assignment target"),
    ("let o = {}; o.missing()", "type error: undefined is not a function"),
    ("({})()", "type error: [object Object] is not a function"),
    ("new 5", "type error: 5 is not a constructor"),
    ("function f(n) { return f(n + 1) } f(0)", "stack overflow (depth 513)"),
    ("let xs = [1, 2]; [...xs, ...5]", "type error: number is not iterable"),
]


def ids(cases):
    return [" ".join(code.split())[:50] for code, _ in cases]


RESULTS = (
    ARITHMETIC + COMPARISON + TRUTHINESS + VARIABLES_AND_CONTROL + OBJECTS_AND_ARRAYS
    + FUNCTIONS_AND_CLASSES + GLOBALS + EXCEPTIONS
)


@pytest.mark.parametrize("code, expected", RESULTS, ids=ids(RESULTS))
def test_program_result(code, expected):
    got = output(code)
    assert same(got, expected), f"{code!r} gave {got!r}"


@pytest.mark.parametrize("code, expected", ERRORS, ids=ids(ERRORS))
def test_program_error(code, expected):
    assert error_text(code) == expected


CONSOLE = [
    ('console.log("a", 1, true, null, undefined)', "a 1 true null undefined\n"),
    ("console.log([1, [2, 3]], {})", "1,2,3 [object Object]\n"),
    ('console.error("x"); console.warn("y"); console.info(1.5); console.debug()', "x\ny\n1.5\n\n"),
    ("console.log(1e21, 1e-7, -0)", "1000000000000000000000 0.0000001 0\n"),
    ("console.log(() => 1, Math.max)", "function function\n"),
    ("console.log(Math.SQRT1_2)", "0.7071067811865475\n"),
    ("let a = [1, 2]; console.log(a.join(','))", "1,2\n"),
]


@pytest.mark.parametrize("code, expected", CONSOLE, ids=ids(CONSOLE))
def test_console_output(code, expected):
    assert run(code)["stdout"] == expected


def test_limits():
    # every push counts against max_allocations, so an endless loop meets that limit first
    assert error_text("while (true) {}") == "allocation limit exceeded"
    assert error_text("while (true) {}", time_limit_ms=50, max_allocations=10**12) == (
        "execution time limit exceeded"
    )
    assert error_text("function f() { return 1 } f()", max_stack_depth=0) == "stack overflow (depth 1)"
    assert output("function f(n) { return n == 0 ? 0 : f(n - 1) } f(511)") == 0
    assert error_text("1", max_allocations=0) == "allocation limit exceeded"
    assert output("1", max_allocations=1) == 1
    assert error_text("1 + 2", max_allocations=1) == "allocation limit exceeded"
    assert error_text('let s = "x"; while (true) s = s + s') == "allocation limit exceeded"
    assert error_text('let s = "x".repeat(1000); while (true) s = `${s}${s}`') == "allocation limit exceeded"


def test_nested_executions_are_bounded():
    # callbacks calling builtins calling callbacks: a clean error long before the native
    # stack runs out, even with a huge call-depth limit
    text = error_text(
        "function f(n) { return [1].map(() => f(n + 1)) } f(0)",
        max_stack_depth=10**6,
        max_allocations=10**9,
    )
    assert text.startswith("stack overflow (depth ")


def test_time_limit_is_not_overshot():
    import time

    for code in ["while (true) {}", "function f() { return 1 } while (true) { f() }"]:
        started = time.perf_counter()
        text = error_text(code, time_limit_ms=100, max_allocations=10**12)
        assert text == "execution time limit exceeded"
        assert time.perf_counter() - started < 0.5


@pytest.mark.parametrize(
    "code, expected",
    [
        ("lo", -(2**63)),
        ("-lo", -(2**63)),  # negation wraps around
        ("lo % -1", 0),
        ("lo / -1", 9223372036854775808.0),
        ("lo * -1", 9223372036854775808.0),
        ("lo - 1", -9223372036854775809.0),
        ("let m = hi; m++; m", -(2**63)),
        ("hi + 1", 9223372036854775808.0),
        ("hi + hi", 18446744073709551614.0),
        ("9223372036854775807", 9223372036854775808.0),  # the literal reads as 2^63
    ],
)
def test_integer_edges(code, expected):
    got = output(code, inputs={"lo": -(2**63), "hi": 2**63 - 1})
    assert same(got, expected), got


def test_inputs_are_globals():
    assert output("n * 2", inputs={"n": 21}) == 42
    assert output("typeof b", inputs={"b": True}) == "boolean"
    assert same(output("f", inputs={"f": 1.0}), 1.0)
    assert output("x === null", inputs={"x": None}) is True
    assert output("JSON", inputs={"JSON": 5}) == 5
    assert output("d.a[1]", inputs={"d": {"a": [1, 2.5, "x"]}}) == 2.5


def test_runs_share_nothing():
    program = Corvane("let r = typeof seen; seen = 1; r")
    assert program.run()["output"] == "undefined"
    assert program.run()["output"] == "undefined"


def test_run_and_start_agree():
    a = Corvane("1 + 1").run()
    b = Corvane("1 + 1").start()
    assert a["output"] == b["output"] == 2
    assert list(a) == list(b) == ["output", "stdout", "trace"]


def test_result_shapes():
    result = run("undefined")
    assert result["output"] is None
    assert run("(() => 1)")["output"] == "<function>"
    assert run("Math.max")["output"] == "<function>"
    trace = run("1")["trace"]
    assert list(trace) == ["name", "start_time_ms", "end_time_ms", "duration_us", "status", "attributes", "children"]
    assert trace["name"] == "corvane.run" and trace["status"] == "ok"
    assert [c["name"] for c in trace["children"]] == ["parse", "compile", "execute"]
    assert all(c["attributes"] == {} for c in trace["children"])


def test_deep_result_is_guarded():
    with pytest.raises(RecursionError):
        run("let a = []; for (let i = 0; i < 20000; i++) a = [a]; a", max_allocations=10**7)


def test_external_call_not_declared_is_an_ordinary_global():
    assert error_text("fetch(1)") == "type error: undefined is not a function"


def test_parse_errors_surface_on_run():
    text = error_text("let x = ;")
    assert text.startswith("parse error: ")


def test_sixty_line_program():
    code = """
    interface Account { id: number; owner: string; balance: number }

    class Bank {
      accounts: Account[];
      log: string[];
      constructor() { this.accounts = []; this.log = []; }
      open(owner: string, deposit: number): number {
        const id = this.accounts.length + 1;
        this.accounts = [...this.accounts, { id, owner, balance: deposit }];
        this.log = [...this.log, `open ${owner}`];
        return id;
      }
      find(id: number): Account | undefined {
        for (const a of this.accounts) { if (a.id === id) return a; }
        return undefined;
      }
      transfer(from: number, to: number, amount: number): void {
        const src = this.find(from);
        const dst = this.find(to);
        if (!src || !dst) throw `unknown account`;
        if (src.balance < amount) throw `insufficient funds in ${src.id}`;
        let updated: Account[] = [];
        for (const a of this.accounts) {
          if (a.id === from) updated = [...updated, { ...a, balance: a.balance - amount }];
          else if (a.id === to) updated = [...updated, { ...a, balance: a.balance + amount }];
          else updated = [...updated, a];
        }
        this.accounts = updated;
      }
    }

    const makeCounter = () => {
      let n = 0;
      return () => { n = n + 1; return n; };
    };

    const bank = new Bank();
    const a = bank.open("ann", 100);
    const b = bank.open("bob", 20);
    bank.transfer(a, b, 30);
    let failure = "";
    try {
      bank.transfer(b, a, 500);
    } catch (e) {
      failure = e;
    }
    const next = makeCounter();
    next();
    let total = 0;
    let balances: number[] = [];
    for (const acc of bank.accounts) {
      total += acc.balance;
      balances = [...balances, acc.balance];
    }
    console.log(`total ${total}`);
    console.log(failure);
    ({ balances, log: bank.log, failure, total, calls: next() })
    """
    result = run(code)
    assert result["output"] == {
        "balances": [70, 50],
        "log": ["open ann", "open bob"],
        "failure": "runtime error: insufficient funds in 2",
        "total": 120,
        "calls": 2,
    }
    assert result["stdout"] == "total 120\nruntime error: insufficient funds in 2\n"
