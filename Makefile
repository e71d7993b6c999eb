# The README's two commands: `make run` and `make test`. Both install what they need first.
BUILD   ?= build
JOBS    ?= 2
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DMOZHOU_WERROR=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest -j$(JOBS) --output-on-failure --timeout 600

run: build
	@scripts/run-main

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

format:
	@find src tests bench tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD)
