"""String and array methods and JSON, as a program sees them."""
import json

import pytest

from corvane import Corvane

BIG = dict(max_allocations=10**9, time_limit_ms=20_000)


def output(code, **kwargs):
    inputs = kwargs.pop("inputs", None)
    return Corvane(code, **kwargs).run(inputs)["output"]


def error_text(code, **kwargs):
    with pytest.raises(RuntimeError) as info:
        Corvane(code, **kwargs).run()
    return str(info.value)


@pytest.mark.parametrize(
    "code, expected",
    [
        ('"a,b,,c".split(",")', ["a", "b", "", "c"]),
        ('"  hi\\u00a0".trim()', "hi"),
        ('"straße".toUpperCase()', "STRASSE"),
        ('"İ".toLowerCase().length', 2),
        ('"héllo".indexOf("l")', 3),  # byte offset
        ('"héllo".slice(1, 2)', ""),  # an offset inside "é" moves to its start
        ('"héllo".slice(1, 3)', "é"),
        ('"abc".padStart(6, "12")', "121abc"),
        ('"a-b-c".replaceAll("-", "+")', "a+b+c"),
        ('"😀x".charCodeAt(0)', 0x1F600),
        ('"abc".at(-1)', "c"),
        ('[1, [2, [3]]].join("-")', "1-2,3"),
        ("[3, 1, 2].indexOf(2)", 2),
        ("[1, 2, 3].includes(2)", True),
        ("[1, 2, 3].slice(-2)", [2, 3]),
        ("let xs = [1, 2]; let n = xs.push(3); [n, xs]", [3, [1, 2]]),  # receivers never change
        ('JSON.stringify({a: [1, 2.5, "x"], b: null})', '{"a":[1,2.5,"x"],"b":null}'),
        ('JSON.stringify("say \\"hi\\"\\n")', '"say \\"hi\\"\n"'),
        ("JSON.stringify([undefined, NaN, 0 * -1.5])", "[undefined,null,-0]"),
        ("JSON.stringify({a: 1}, null, 2)", '{"a":1}'),
        ('JSON.parse(" 42 ")', 42),
        ('JSON.parse("4.0")', 4.0),
        ('JSON.parse("{a: 1, \\"b\\": [true, null]}")', {"a": 1, "b": [True, None]}),
        ('JSON.parse("[1,2,]")', [1, 2]),
        ('JSON.parse("[1,2")', [1]),
        ('JSON.parse("{\\"a\\":1,\\"a\\":2}")', {"a": 2}),
    ],
)
def test_methods(code, expected):
    got = output(code)
    assert got == expected and type(got) is type(expected), got


@pytest.mark.parametrize(
    "code, expected",
    [
        ("JSON.parse(5)", "type error: JSON.parse requires a string argument"),
        ('JSON.parse("hello")', "runtime error: Invalid JSON: hello"),
        ('JSON.parse("[1,,2]")', "runtime error: Invalid JSON: "),
        ('"ab".substr(1)', "type error: __string__.substr is not a function"),
        ('"x".repeat(20000000)', "allocation limit exceeded"),
        ('"x".padEnd(20000000)', "allocation limit exceeded"),
        ("let a = ['ab']; for (let i = 0; i < 30; i++) a = [a, a]; a.join(',')", "allocation limit exceeded"),
        ("let a = ['ab']; for (let i = 0; i < 30; i++) a = [a, a]; JSON.stringify(a)", "allocation limit exceeded"),
    ],
)
def test_method_errors(code, expected):
    assert error_text(code) == expected


def test_hostile_json_ends_cleanly():
    for text in ["[" * 1_000_000, "[" * 65 + "1" + "]" * 65, '{"a":' * 100_000]:
        with pytest.raises(RuntimeError) as info:
            Corvane("JSON.parse(doc)").run({"doc": text})
        assert str(info.value).startswith("runtime error: ")
    nested = "[" * 64 + "1" + "]" * 64
    assert output("JSON.parse(doc)", inputs={"doc": nested}) is not None


def test_deeply_nested_join_and_stringify():
    code = "let a = [1]; for (let i = 0; i < 100000; i++) a = [a]; [a.join(','), JSON.stringify(a).length]"
    assert output(code, **BIG) == ["1", 200_003]


def test_megabyte_document_round_trip():
    records = [
        {"id": i, "name": f"user {i}", "tags": ["alpha", "beta", str(i % 7)], "score": i + 0.5}
        for i in range(12_000)
    ]
    document = json.dumps(records)
    assert len(document) > 1_000_000
    code = """
    const rows = JSON.parse(doc);
    let out = [];
    for (const row of rows) {
      if (row.id % 3 === 0) continue;
      out[out.length] = {
        id: row.id,
        label: row.name.toUpperCase().replace(" ", "-"),
        tags: row.tags.join("|"),
        score: row.score * 2,
      };
    }
    JSON.stringify(out)
    """
    expected = [
        {
            "id": r["id"],
            "label": r["name"].upper().replace(" ", "-", 1),
            "tags": "|".join(r["tags"]),
            "score": int(r["score"] * 2),
        }
        for r in records
        if r["id"] % 3 != 0
    ]
    got = Corvane(code, **BIG).run({"doc": document})["output"]
    assert got == json.dumps(expected, separators=(",", ":"))
