# Quorant: the two commands a new user needs are `make demo` and `make test`.
JOBS ?= 2
QUORANT := build/default/bin/quorant

.PHONY: all deps configure build demo test test-default test-asan bench clean

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

bench: build
	cmake --build --preset default --target benchmarks -j$(JOBS)
	scripts/bench

clean:
	rm -rf build
