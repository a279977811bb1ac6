# make test   install what is missing, build both Windows targets, run every test under Wine:
#             the x86_64 suite, then the i686 one (skipped where 32-bit programs cannot run)
# make test-trixie  the same in a Debian 13 root made under build/roots (needs root rights)
# make check  the unit tests of the x86_64 build alone (no display, no sound server), for the
#             edit-compile-test loop: under a minute once built
# make run    install, build, and start the meter
# make dist   the two zip files for download and their SHA256SUMS, in dist/
# make stress the long robustness runs
BUILD  ?= build
X64    := $(BUILD)/x86_64
X86    := $(BUILD)/i686
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
# The builds whose suites make test runs (both are always built).
SUITES ?= x86_64 i686

.PHONY: all bootstrap configure build check test test-trixie stress run dist bench clean

all: build

bootstrap:
	scripts/bootstrap.sh

configure: bootstrap
	cmake -S . -B $(X64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
	cmake -S . -B $(X86) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DQUORVEL_TESTS=ON

build: configure
	cmake --build $(X64) -j $(JOBS)
	cmake --build $(X86) -j $(JOBS)

test: build
	scripts/test-suites.sh $(BUILD) $(SUITES)

check: configure
	cmake --build $(X64) -j $(JOBS)
	cd $(X64) && ctest --output-on-failure --label-regex unit -j $(JOBS)

# Debian 13 as a newcomer's fresh machine has it: its Wine, compilers and tools, in a root made
# from the package registry (scripts/root.sh); first a run killed half-way must leave no mount.
test-trixie: bootstrap
	scripts/root.sh make trixie
	tests/robustness/root_killed.sh trixie
	scripts/root.sh test trixie

stress: build
	cd $(X64) && ctest --output-on-failure --label-regex stress

run: build
	scripts/run.sh $(X64)

dist: build
	scripts/dist.sh $(BUILD) dist

clean:
	rm -rf $(BUILD)

# make bench  build, then measure the running meter under Wine: CPU, block coverage, latency,
#             memory and handles (a 30-minute run), level computation speed, and the first three
#             for the i686 build beside the x86_64 one; writes bench/results.md
bench: build
	bench/run.sh $(X64) $(X86)
