# Quorant: the two commands a new user needs are `make demo` and `make test`.
JOBS ?= 2
QUORANT := build/default/bin/quorant

FUZZ_SECONDS ?= 60
FUZZ_SEED ?=

.PHONY: all deps configure build demo test test-default test-asan bench fuzz clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset default >/dev/null

build: configure
	cmake --build --preset default -j$(JOBS)

demo: build
	scripts/demo $(QUORANT)

test: build test-default test-asan

test-default:
	ctest --preset default

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j$(JOBS)
	ctest --preset asan

# Builds the fuzzers (clang, sanitizers) and runs each for FUZZ_SECONDS, two at a
# time, from FUZZ_SEED when it is set (a new seed each run otherwise);
# docs/fuzzing.md.
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS)
	FUZZ_JOBS=$(JOBS) FUZZ_SEED=$(FUZZ_SEED) scripts/fuzz $(FUZZ_SECONDS)

bench: build
	cmake --build --preset default --target benchmarks -j$(JOBS)
	scripts/bench

clean:
	rm -rf build
