# Kestrel Player: the two set-up commands and the developer targets.
#   make run        installs what is missing, builds, starts the player
#   make test       installs what is missing, builds, runs every test
#   make test-asan  the same under the address and undefined-behaviour sanitizers
#   make bench      builds and runs the benchmarks
JOBS ?= $(shell nproc)

.PHONY: all deps build build-asan run test test-asan bench fuzz clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

run: build
	@scripts/run-player

test: build
	@ctest --preset default -j $(JOBS) --output-on-failure

test-asan: build-asan
	@ctest --preset asan -j $(JOBS) --output-on-failure
	@scripts/run-fuzzers 60

bench: build
	@scripts/run-benchmarks

clean:
	rm -rf build build-asan build-fuzz
