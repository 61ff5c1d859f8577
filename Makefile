# SPDX-License-Identifier: GPL-3.0-or-later
# Thin wrappers over CMake and CTest; see README.md.
BUILD ?= build
PACKAGE_BUILD ?= build-package
CMAKE_FLAGS ?=

.PHONY: all run test bench screenshots package build configure

all: build

# Configures once; flags given later (as `make test` gives -Werror) are added
# to the existing configuration.
configure:
	@if [ ! -f $(BUILD)/build.ninja ] || [ -n "$(strip $(CMAKE_FLAGS))" ]; then \
		cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS); fi

build: configure
	cmake --build $(BUILD)

run:
	scripts/install-deps.sh run
	$(MAKE) build
	$(BUILD)/src/quorvel

test:
	scripts/install-deps.sh test
	$(MAKE) build CMAKE_FLAGS="-DQUORVEL_WERROR=ON $(CMAKE_FLAGS)"
	cd $(BUILD) && ctest --output-on-failure --timeout 900

# Results go to $(BUILD)/bench/results.md; docs/performance.md is updated by
# hand from them.
bench:
	scripts/install-deps.sh bench
	$(MAKE) build
	scripts/bench.sh $(BUILD)

screenshots:
	scripts/install-deps.sh test
	$(MAKE) build
	LOCPATH=$(CURDIR)/$(BUILD)/tests/locale scripts/screenshots.sh $(BUILD)

# The package is built as Debian builds one: its own tree, Release, the
# hardening flags of dpkg-buildflags, and nothing but the program.
package:
	scripts/install-deps.sh package
	DEB_BUILD_MAINT_OPTIONS=hardening=+all; export DEB_BUILD_MAINT_OPTIONS; \
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DBUILD_TESTING=OFF -DQUORVEL_BUILD_BENCH=OFF -DQUORVEL_BUILD_TOOLS=OFF \
		-DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	mkdir -p $(BUILD) && cp $(PACKAGE_BUILD)/quorvel_*.deb $(BUILD)/
