# Thin wrappers over CMake and CTest; see README.md.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all run test bench screenshots package build configure

all: build

configure:
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run:
	scripts/install-deps.sh run
	$(MAKE) build
	$(BUILD)/src/quorvel

test:
	scripts/install-deps.sh test
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

bench:
	scripts/install-deps.sh bench
	$(MAKE) build
	scripts/bench.sh $(BUILD)

screenshots:
	scripts/install-deps.sh test
	$(MAKE) build
	scripts/screenshots.sh $(BUILD)

package:
	scripts/install-deps.sh test
	$(MAKE) build
	cd $(BUILD) && cpack -G DEB
