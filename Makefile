# The two commands a new user runs:
#   make demo    install what is missing, build, and show both programs at work
#   make check   install what is missing, build, and run every test (plain, then sanitized)
#   make deb     build the Debian package of lurvek into build-deb/

CMAKE_FLAGS := -G Ninja -DWERROR=$(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)

.PHONY: all deps deps-deb build check check-plain check-sanitized demo deb fuzz fuzz-smoke bench clean

all: build

deps:
	scripts/install-deps

# Building and checking the Debian package, which the plain test run does too (label "package").
deps-deb:
	scripts/install-deps deb

build: deps
	cmake -S . -B build $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

check-plain: build deps-deb
	ctest --test-dir build/tests --output-on-failure -j $(JOBS)

check-sanitized: deps
	cmake -S . -B build-sanitized $(CMAKE_FLAGS) -DSANITIZE=ON
	cmake --build build-sanitized -j $(JOBS)
	ctest --test-dir build-sanitized/tests --output-on-failure -j $(JOBS)

check: check-plain check-sanitized fuzz-smoke

demo: build
	scripts/demo build

deb: deps-deb
	scripts/build-deb build-deb

fuzz-smoke:
	scripts/fuzz --smoke

fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

bench:
	scripts/install-deps bench
	bench/run build-bench

clean:
	rm -rf build build-sanitized build-fuzz build-bench build-deb
