# make test   install what is missing, build both Windows targets, run every test under Wine
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
	cmake -S . -B $(X86) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DQUORVEL_TESTS=OFF

build: configure
	cmake --build $(X64) -j $(JOBS)
	cmake --build $(X86) -j $(JOBS)

test: build
	cd $(X64) && ctest --output-on-failure --label-exclude stress

stress: build
	cd $(X64) && ctest --output-on-failure --label-regex stress

run: build
	scripts/run.sh $(X64)

dist: build
	scripts/dist.sh $(BUILD) dist

clean:
	rm -rf $(BUILD)

# make bench  build, then measure the running meter under Wine: CPU, block coverage, latency,
#             memory and handles (a 30-minute run), level computation speed; writes bench/results.md
.PHONY: bench
bench: build
	bench/run.sh $(X64)
