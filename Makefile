# The one entry point. On a fresh Debian 12 machine, as root:
#   make run    builds the program and starts it (under Wine on Linux)
#   make test   installs what is missing, builds everything and runs every test
.PHONY: all deps build build-native build-windows test run bench soak fuzz format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps build-native build-windows

build-native:
	cmake --preset native
	cmake --build --preset native

build-windows:
	cmake --preset windows
	cmake --build --preset windows

test: deps
	@scripts/run-tests.sh

run: deps build-windows
	@scripts/run-program.sh

# The Wine benchmark's list size: make bench WINE_BENCH_LINES=100000000
WINE_BENCH_LINES ?= 1000000
bench: deps
	@WINE_BENCH_LINES=$(WINE_BENCH_LINES) scripts/run-benchmarks.sh

# Fifty rounds of the whole job under Wine, printing the working set after each; not part of test.
soak: deps
	@scripts/run-soak.sh

# Every fuzz target for FUZZ_SECONDS seconds, two at a time: make fuzz FUZZ_SECONDS=60
FUZZ_SECONDS ?= 600
fuzz: deps
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzzers.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
