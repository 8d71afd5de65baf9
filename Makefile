# The two commands a new user runs:
#   make demo    install what is missing, build, and show both programs at work
#   make check   install what is missing, build, run every test (plain, then sanitized) and the
#                static analysis
#   make deb     build the Debian package of lurvek into build-deb/
#   make install install what `make` built in build/, through CMake's install: PREFIX (default
#                /usr/local), DESTDIR, and COMPONENT=test or COMPONENT=lurvek for one program alone
#   make autopkgtest, make piuparts
#                build it and judge it with one of Debian's own gates, on a minimal Debian 12 made
#                once in build/distribution/

CMAKE_FLAGS := -G Ninja -DWERROR=$(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)

.PHONY: all deps deps-deb build check check-plain check-sanitized tidy demo deb install autopkgtest \
	piuparts fuzz fuzz-smoke bench clean

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

# clang-tidy over the product code, with the checks in .clang-tidy; any finding fails. The unit
# tests are left out: GoogleTest makes each of them several times slower to analyse than the code
# they test, and they run under the sanitizers instead. clang-tidy counts on standard error the
# compiler warnings it hides (those of system headers); that line alone is dropped.
TIDY_SOURCES := $(filter-out %_test.cc,$(wildcard condition/*.cc support/*.cc repository/*.cc))

tidy: deps
	cmake -S . -B build $(CMAKE_FLAGS)
	printf '%s\n' $(TIDY_SOURCES) | xargs -P $(JOBS) -n 1 clang-tidy -p build --quiet 2>build/tidy.stderr; \
	status=$$?; grep -Ev '^[0-9]+ warnings? generated\.$$' build/tidy.stderr >&2; exit $$status

check: check-plain tidy check-sanitized fuzz-smoke

demo: build
	scripts/demo build

deb: deps-deb
	scripts/build-deb build-deb

# Installs the build as it stands, without building: `make && sudo make install` leaves build/ to
# the user who built it.
PREFIX ?= /usr/local
install:
	$(if $(wildcard build/cmake_install.cmake),,$(error nothing is built in build/; run make first))
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)" $(if $(COMPONENT),--component $(COMPONENT))

autopkgtest piuparts: deb
	scripts/distribution-gate $@ build-deb/lurvek_*.deb build/distribution

fuzz-smoke:
	scripts/fuzz --smoke

fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

bench:
	scripts/install-deps bench
	bench/run build-bench

clean:
	rm -rf build build-sanitized build-fuzz build-bench build-deb
