# Quick start: `make run` builds and starts kelmon, `make test` builds and runs every test.
# Both install the Debian packages that are missing first (tools/install-deps).

JOBS ?= $(shell nproc)
CTEST_JOBS ?= $(JOBS)

.PHONY: all deps run test build dev bench tsan clean

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

test: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(CTEST_JOBS)

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

# ThreadSanitizer over the tests of the threads of the instrument link (serial line, head, ports),
# the scans and the sound (the leak tone and its wave-out device). Not part of `make test`: a second
# full build with its own instrumentation.
TSAN_LABELS ?= serial|head|ports|scan|sound
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(CTEST_JOBS) -L '$(TSAN_LABELS)'

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && "$$b"; done; true

clean:
	rm -rf build
