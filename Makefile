# The two commands a new user runs:
#   make demo    install what is missing, build, and show both programs at work
#   make check   install what is missing, build, and run every test (plain, then sanitized)

CMAKE_FLAGS := -G Ninja -DWERROR=$(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)

.PHONY: all deps build check check-plain check-sanitized demo fuzz fuzz-smoke bench clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B build $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

check-plain: build
	ctest --test-dir build/tests --output-on-failure -j $(JOBS)

check-sanitized: deps
	cmake -S . -B build-sanitized $(CMAKE_FLAGS) -DSANITIZE=ON
	cmake --build build-sanitized -j $(JOBS)
	ctest --test-dir build-sanitized/tests --output-on-failure -j $(JOBS)

check: check-plain check-sanitized fuzz-smoke

demo: build
	scripts/demo build

fuzz-smoke:
	scripts/fuzz --smoke

fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

bench:
	scripts/install-deps bench
	bench/run build-bench

clean:
	rm -rf build build-sanitized build-fuzz build-bench
