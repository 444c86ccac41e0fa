from typing import Any, Sequence, TypedDict, Union

Value = Union[None, bool, int, float, str, list["Value"], dict[str, "Value"]]

class TraceSpan(TypedDict):
    name: str
    start_time_ms: int
    end_time_ms: int
    duration_us: int
    status: str
    attributes: dict[str, str]
    children: list["TraceSpan"]

class Corvane:
    def __init__(
        self,
        code: str,
        inputs: Sequence[str] | None = None,
        external_functions: Sequence[str] | None = None,
        memory_limit_bytes: int | None = None,
        time_limit_ms: int | None = None,
        max_stack_depth: int | None = None,
        max_allocations: int | None = None,
    ) -> None: ...
    def run(self, inputs: dict[str, Value] | None = None) -> dict[str, Any]:
        """Run the program to completion.

        Args:
            inputs: Optional dict of input name -> value mappings.

        Returns:
            A dict with keys "output" (the final value) and "stdout" (captured output).
            If execution suspends on an external function, returns a dict with
            "suspended", "function_name", "args", and "snapshot" keys instead.
        """
    def start(self, inputs: dict[str, Value] | None = None) -> dict[str, Any]:
        """Start execution, returning raw state (for suspension / snapshot handling).

        Args:
            inputs: Optional dict of input name -> value mappings.

        Returns:
            Same shape as `run()`.
        """

class CorvaneSnapshot:
    def dump(self) -> bytes:
        """Serialize the snapshot to bytes."""
    @staticmethod
    def load(bytes: bytes | bytearray | Sequence[int]) -> "CorvaneSnapshot":
        """Deserialize a snapshot from bytes."""
    def resume(self, return_value: Value) -> dict[str, Any]:
        """Resume execution with a return value from the external function.

        Args:
            return_value: The value to return to the suspended external call.

        Returns:
            A dict with either "output" or "suspended" keys (same shape as Corvane.run()).
        """
