# Kestrel Player: the two set-up commands and the developer targets.
#   make run        installs what is missing, builds, starts the player
#   make test       installs what is missing, builds, runs every test
#   make lint       the checks CI makes besides the tests (layout, layers, commits)
#   make test-asan  the same under the address and undefined-behaviour sanitizers
#   make bench      builds and runs the benchmarks
#   make soak       every test 10 times, half of them under a CPU load
#   make deb        builds the Debian package (build/package/)
JOBS ?= $(shell nproc)

.PHONY: all deps deps-run deps-test build build-asan run test lint test-asan bench soak deb fuzz clean

all: build

# make run installs no test tools; the test targets install all three groups.
deps-run:
	@scripts/install-deps run build

deps-test:
	@scripts/install-deps run build test

deps: deps-test

build: deps-run
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps-test
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

run: build
	@scripts/run-player

test: deps-test build
	@ctest --preset default -j $(JOBS) --output-on-failure

lint: deps-test
	@scripts/check-format
	@scripts/check-layers
	@scripts/check-commits

test-asan: build-asan
	@ctest --preset asan -j $(JOBS) --output-on-failure
	@scripts/run-fuzzers 60

bench: deps-test build
	@scripts/run-benchmarks

# SOAK_RUNS=n changes the count; SOAK_ARGS passes ctest arguments (-L label).
soak: deps-test build
	@JOBS=$(JOBS) scripts/soak $(SOAK_ARGS)

deb: build
	@cd build && cpack -G DEB -B package >/dev/null
	@ls build/package/*.deb

clean:
	rm -rf build build-asan build-fuzz
