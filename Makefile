# Quick start: `make run` builds and starts kelmon, `make test` builds and runs every test (and
# each fuzz target for a few seconds).
# Both install the Debian packages that are missing first (tools/install-deps).

JOBS ?= $(shell nproc)
CTEST_JOBS ?= $(JOBS)

.PHONY: all deps run kelterm test build dev bench tsan fuzz fuzz-build clean

all: dev

deps:
	@tools/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

run: build
	@if [ -x build/release/bin/kelmon ]; then \
	    exec build/release/bin/kelmon; \
	else \
	    echo "Built everything that exists so far; kelmon, the main program, is not there yet."; \
	fi

# The head terminal: builds everything and starts kelterm (`make kelterm ARGS=--simulated` also
# lists the simulated instrument).
kelterm: build
	exec build/release/bin/kelterm $(ARGS)

test: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(CTEST_JOBS)
	$(MAKE) --no-print-directory fuzz-build
	tools/run-fuzzers --fresh --seed 1 --seconds $(FUZZ_SMOKE_SECONDS) --jobs $(JOBS) build/fuzz

# The readers' fuzz targets (clang, libFuzzer with address and undefined-behaviour sanitizers), run
# from their seed corpora: `make fuzz` gives each FUZZ_SECONDS, several at once; `make test` builds
# them and gives each FUZZ_SMOKE_SECONDS. Findings are kept under build/fuzz/artifacts/.
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 5
FUZZ_JOBS ?= $(JOBS)
fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

fuzz: fuzz-build
	tools/run-fuzzers --seconds $(FUZZ_SECONDS) --jobs $(FUZZ_JOBS) build/fuzz

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

# ThreadSanitizer over the tests of the threads of the instrument link (serial line, head, ports),
# the scans, the sound (the leak tone and its wave-out device), kelmon's view and the end-to-end
# runs of both programs, and kelterm's threaded serial engine. Not part of `make test`: a second
# full build with its own instrumentation.
TSAN_LABELS ?= serial|head|ports|scan|sound|view|e2e|kelterm
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(CTEST_JOBS) -L '$(TSAN_LABELS)'

# Each benchmark's own output, then one table of every benchmark's figure, its ratio to its
# reference and its goal (tools/run-benchmarks).
bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@tools/run-benchmarks build/release/bench

clean:
	rm -rf build
