"""The front end as a user meets it: valid TypeScript never fails to parse, refusals
carry their exact messages, syntax errors say where they are."""
import pathlib

import pytest

from corvane import Corvane

CORPUS = pathlib.Path(__file__).parent.parent / "corvane-core" / "tests" / "corpus"
VALID = sorted((CORPUS / "valid").glob("*.ts"))
INVALID = sorted((CORPUS / "invalid").glob("*.ts"))


def error_text(code, **kwargs):
    with pytest.raises(RuntimeError) as info:
        Corvane(code, **kwargs).run()
    return str(info.value)


@pytest.mark.parametrize("path", VALID, ids=[p.name for p in VALID])
def test_valid_programs_are_never_parse_errors(path):
    program = Corvane(path.read_text(), external_functions=["fetchJson", "callTool"])
    try:
        program.run()
    except RuntimeError as error:
        assert not str(error).startswith("parse error: "), str(error)


@pytest.mark.parametrize("path", INVALID, ids=[p.name for p in INVALID])
def test_invalid_programs_are_parse_errors(path):
    assert error_text(path.read_text()).startswith("parse error: ")


@pytest.mark.parametrize(
    "code, expected",
    [
        ("eval('1')", "sandbox violation: eval is forbidden in the sandbox"),
        ("require('fs')", "sandbox violation: require is forbidden in the sandbox"),
        ("process.exit(1)", "sandbox violation: process is forbidden in the sandbox"),
        ("globalThis.x", "sandbox violation: globalThis/global is forbidden in the sandbox"),
        ("new Function('return 1')", "sandbox violation: Function constructor is forbidden in the sandbox"),
        ("import x from 'y'", "sandbox violation: import declarations are forbidden in the sandbox (at 0..17)"),
        ("export const a = 1", "sandbox violation: export declarations are forbidden in the sandbox (at 0..18)"),
        ("debugger;", "unsupported syntax at 0..9: unsupported statement type"),
        ("10n", "unsupported syntax at unknown: unsupported expression type"),
        ("let o = {a: 1}; delete o.a", "unsupported syntax at 16..26: delete operator is not supported"),
        ("enum E { A }", "unsupported syntax at 0..12: TypeScript enums are not supported"),
        ("for (const k in {}) {}", "unsupported syntax at 0..22: for...in loops are not supported, use for...of"),
    ],
)
def test_refusals(code, expected):
    assert error_text(code) == expected


def test_accepted_names_that_look_forbidden():
    assert Corvane("const o = {eval: 1, process: 2}; o.eval + o.process").run()["output"] == 3


@pytest.mark.parametrize(
    "code, fragment",
    [
        ("let a = ;", "(line 1, column 9)"),
        ("let x = 1;\nlet y = (2;\n", "line 2"),
        ("'unterminated", "line 1"),
        ("((((((((((" * 100, "Nesting too deep"),
    ],
)
def test_syntax_errors_say_where(code, fragment):
    text = error_text(code)
    assert text.startswith("parse error: ")
    assert fragment in text


@pytest.mark.parametrize(
    "code, expected",
    [
        ("{ a: 1 }", {"a": 1}),
        ("const x = 5;\n{ x, y }", {"x": 5, "y": None}),
        ("let a = 1; if (a) { a: 1 }", None),
        ("function f() { return 1 }", None),
        ("class C { x = 1 }", None),
        ("interface I { a: number }", None),
        ("'use strict'", "use strict"),
    ],
)
def test_trailing_braces(code, expected):
    assert Corvane(code).run()["output"] == expected
