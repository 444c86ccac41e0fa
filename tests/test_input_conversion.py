"""Conversion of Python inputs: refusals happen before the engine runs."""
import pytest

from corvane import Corvane


def deep_list(depth):
    value = []
    for _ in range(depth):
        value = [value]
    return value


def deep_dict(depth):
    value = {}
    for _ in range(depth):
        value = {"k": value}
    return value


@pytest.mark.parametrize(
    "inputs, exception, message",
    [
        ({"n": 2**63}, OverflowError, None),
        ({"n": -(2**63) - 1}, OverflowError, None),
        ({"t": (1, 2)}, RuntimeError, "cannot convert Python type 'tuple' to Corvane value"),
        ({"s": {1, 2}}, RuntimeError, "cannot convert Python type 'set' to Corvane value"),
        ({"b": b"x"}, RuntimeError, "cannot convert Python type 'bytes' to Corvane value"),
        ({"b": bytearray()}, RuntimeError, "cannot convert Python type 'bytearray' to Corvane value"),
        ({"o": object()}, RuntimeError, "cannot convert Python type 'object' to Corvane value"),
        ({"d": {1: "x"}}, TypeError, None),
        ({"l": [1, [2, (3,)]]}, RuntimeError, "cannot convert Python type 'tuple' to Corvane value"),
        ({"u": "\ud800"}, UnicodeEncodeError, None),
        ({1: 2}, TypeError, None),
    ],
)
def test_conversion_refusals(inputs, exception, message):
    with pytest.raises(exception) as info:
        Corvane("1").run(inputs)
    if message is not None:
        assert str(info.value) == message
        assert type(info.value) is exception


@pytest.mark.parametrize("make", [deep_list, deep_dict])
def test_deeply_nested_inputs_raise_recursion_error(make):
    with pytest.raises(RecursionError):
        Corvane("1").run({"x": make(100_000)})


def test_recursion_guard_holds_with_a_raised_recursion_limit():
    import sys

    old = sys.getrecursionlimit()
    sys.setrecursionlimit(10**7)
    try:
        with pytest.raises(RecursionError):
            Corvane("1").run({"x": deep_list(1_000_000)})
    finally:
        sys.setrecursionlimit(old)
