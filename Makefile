# Front door: `make demo` and `make test` set up everything they need on a fresh machine.
PYTHON ?= python3
VENV := .venv
VPY := $(VENV)/bin/python
JOBS ?= $(shell nproc)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
NATIVE := build/native
ASAN := build/asan

.PHONY: all deps venv native asan module demo test test-native test-asan test-python bench clean

all: native module

# GoogleTest comes from Debian where it is missing.
deps:
	@if [ ! -e /usr/lib/x86_64-linux-gnu/libgtest.a ] && [ ! -e /usr/lib/aarch64-linux-gnu/libgtest.a ] && [ ! -e /usr/lib/libgtest.a ]; then \
	  echo "== installing GoogleTest (apt-get)"; \
	  apt-get update -qq && apt-get install -y -qq libgtest-dev >/dev/null; \
	fi

$(VPY):
	@echo "== creating virtual environment $(VENV)"
	$(PYTHON) -m venv $(VENV)
	$(VPY) -m pip install -q --upgrade pip
	$(VPY) -m pip install -q "scikit-build-core>=0.10" "pytest>=7"

venv: $(VPY)

native: deps
	@echo "== building the engine and its C++ tests ($(NATIVE))"
	cmake -S . -B $(NATIVE) $(GEN) -DCMAKE_BUILD_TYPE=Release -DCORVANE_WERROR=ON >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

asan: deps
	@echo "== building the C++ tests under AddressSanitizer and UBSan ($(ASAN))"
	cmake -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_SANITIZE=ON -DCORVANE_WERROR=ON >/dev/null
	cmake --build $(ASAN) -j $(JOBS)

module: venv
	@echo "== building and installing the Python module into $(VENV)"
	$(VPY) -m pip install -q --no-build-isolation .

test-native: native
	@echo "== C++ tests"
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

test-asan: asan
	@echo "== C++ tests under sanitizers"
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test-python: module
	@echo "== Python tests"
	$(VPY) -m pytest -q tests

test: test-native test-asan test-python

demo: module
	@echo "== running examples/quickstart.py"
	$(VPY) examples/quickstart.py

bench: module
	-$(VPY) -m pip install -q quickjs  # optional reference figures
	cmake -S . -B build/bench $(GEN) -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCH=ON -DCORVANE_BUILD_TESTS=OFF >/dev/null
	cmake --build build/bench -j $(JOBS)
	build/bench/bench/parse_bench
	build/bench/bench/runtime/corvane_runtime_bench
	$(VPY) bench/run_all.py

clean:
	rm -rf build $(VENV)
