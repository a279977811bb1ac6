# make test   install what is missing, build both Windows targets, run every test under Wine:
#             the x86_64 suite, then the i686 one (skipped where 32-bit programs cannot run)
# make run    install, build, and start the meter
# make dist   the two zip files for download, in dist/
# make stress the long robustness runs
BUILD  ?= build
X64    := $(BUILD)/x86_64
X86    := $(BUILD)/i686
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all bootstrap configure build test stress run dist bench clean

all: build

bootstrap:
	scripts/bootstrap.sh

configure: bootstrap
	cmake -S . -B $(X64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
	cmake -S . -B $(X86) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DQUORVEL_TESTS=ON

build: configure
	cmake --build $(X64) -j $(JOBS)
	cmake --build $(X86) -j $(JOBS)

# One suite after the other: each has its own display and sound server, never used at once.
test: build
	@status=0; \
	for build in $(X64) $(X86); do \
	  echo "make test: $$build"; \
	  (cd $$build && ctest --output-on-failure --label-exclude stress) || status=1; \
	done; \
	scripts/runs-32bit.sh >/dev/null || echo "make test: the i686 tests were skipped: $$(scripts/runs-32bit.sh)"; \
	exit $$status

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
