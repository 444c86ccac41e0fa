"""The module's public surface: names, signatures, docstrings, construction rules."""
import inspect

import pytest

import corvane
from corvane import Corvane, CorvaneSnapshot

RUN_DOC = (
    "Run the program to completion.\n"
    "\n"
    "Args:\n"
    "    inputs: Optional dict of input name -> value mappings.\n"
    "\n"
    "Returns:\n"
    '    A dict with keys "output" (the final value) and "stdout" (captured output).\n'
    "    If execution suspends on an external function, returns a dict with\n"
    '    "suspended", "function_name", "args", and "snapshot" keys instead.'
)
START_DOC = (
    "Start execution, returning raw state (for suspension / snapshot handling).\n"
    "\n"
    "Args:\n"
    "    inputs: Optional dict of input name -> value mappings.\n"
    "\n"
    "Returns:\n"
    "    Same shape as `run()`."
)


def test_module_exposes_only_the_two_classes():
    public = [name for name in dir(corvane) if not name.startswith("__")]
    assert public == ["Corvane", "CorvaneSnapshot"]
    assert corvane.__doc__ == ""


def test_class_names_signatures_and_docstrings():
    assert Corvane.__name__ == "Corvane"
    assert CorvaneSnapshot.__name__ == "CorvaneSnapshot"
    assert Corvane.__text_signature__ == (
        "(code, inputs=None, external_functions=None, memory_limit_bytes=None, "
        "time_limit_ms=None, max_stack_depth=None, max_allocations=None)"
    )
    assert not Corvane.__doc__
    assert Corvane.run.__text_signature__ == "($self, inputs=None)"
    assert Corvane.start.__text_signature__ == "($self, inputs=None)"
    assert Corvane.run.__doc__ == RUN_DOC
    assert Corvane.start.__doc__ == START_DOC
    assert str(inspect.signature(Corvane.run)) == "(self, /, inputs=None)"


def test_help_renders(capsys):
    help(Corvane)
    text = capsys.readouterr().out
    assert "Corvane(code, inputs=None, external_functions=None" in text
    assert "Run the program to completion." in text


def test_classes_are_sealed():
    with pytest.raises(TypeError):
        CorvaneSnapshot()
    with pytest.raises(TypeError):
        type("Sub", (Corvane,), {})
    with pytest.raises(TypeError):
        type("Sub", (CorvaneSnapshot,), {})
    c = Corvane("1")
    with pytest.raises(AttributeError):
        c.extra = 1
    with pytest.raises(TypeError):
        Corvane.run = None


@pytest.mark.parametrize(
    "kwargs, exception",
    [
        ({}, TypeError),  # code is required
        ({"code": 1}, TypeError),
        ({"code": b"1"}, TypeError),
        ({"code": "x", "inputs": "x"}, TypeError),
        ({"code": "x", "inputs": 5}, TypeError),
        ({"code": "x", "inputs": ["a", 1]}, TypeError),
        ({"code": "x", "external_functions": "fetch"}, TypeError),
        ({"code": "x", "external_functions": [b"fetch"]}, TypeError),
        ({"code": "x", "memory_limit_bytes": "1"}, TypeError),
        ({"code": "x", "time_limit_ms": 1.5}, TypeError),
        ({"code": "x", "time_limit_ms": -1}, OverflowError),
        ({"code": "x", "time_limit_ms": 2**64}, OverflowError),
        ({"code": "x", "max_stack_depth": -5}, OverflowError),
        ({"code": "x", "max_allocations": 2**64}, OverflowError),
        ({"code": "x", "code2": 1}, TypeError),
    ],
)
def test_constructor_refusals(kwargs, exception):
    with pytest.raises(exception):
        Corvane(**kwargs)


def test_constructor_errors_name_the_parameter():
    with pytest.raises(TypeError, match="inputs"):
        Corvane("x", inputs="x")
    with pytest.raises(TypeError, match="external_functions"):
        Corvane("x", external_functions=[1])
    with pytest.raises(OverflowError, match="time_limit_ms"):
        Corvane("x", time_limit_ms=-1)


def test_constructor_is_checked_in_parameter_order():
    # inputs is converted before the limits, so its error wins
    with pytest.raises(TypeError, match="inputs"):
        Corvane("x", inputs="x", time_limit_ms=-1)
    with pytest.raises(OverflowError, match="memory_limit_bytes"):
        Corvane("x", memory_limit_bytes=-1, time_limit_ms=-1)


def test_constructor_accepts_every_argument_by_position_and_keyword():
    Corvane("1", ("a",), ["f"], 0, 0, 0, 0)
    Corvane(
        code="1",
        inputs=None,
        external_functions=None,
        memory_limit_bytes=2**64 - 1,
        time_limit_ms=2**64 - 1,
        max_stack_depth=None,
        max_allocations=None,
    )


def test_constructor_does_not_parse():
    Corvane("let x = ;")


@pytest.mark.parametrize("method", ["run", "start"])
def test_run_refuses_non_dict_inputs(method):
    c = Corvane("1")
    with pytest.raises(TypeError, match="inputs"):
        getattr(c, method)([("a", 1)])
    with pytest.raises(TypeError, match="inputs"):
        getattr(c, method)(inputs="a")
    with pytest.raises(TypeError):
        getattr(c, method)({}, {})
