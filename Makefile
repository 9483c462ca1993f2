# Entry points of the project. `make run` sets up a fresh Debian 12 machine,
# builds and starts the editor; `make test` sets up the same way, builds and
# runs every test headless.
BUILD_DIR ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 12

.PHONY: all setup configure build run test package fuzz-smoke bench clean

all: build

setup:
	tools/setup.sh

configure: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/tools/glyphon-styles register $(BUILD_DIR)/styles
	$(BUILD_DIR)/glyphon-editor

# The Debian package, build/package/glyphon-editor_<version>-1_<arch>.deb
# (CPack's DEB generator over the install rules). `make test` builds and
# checks it as well (tests/packaging/).
package: build
	cmake --build $(BUILD_DIR) --target package

# The fuzz smoke runs first so that ctest's summary is the last thing printed.
test: build
	$(MAKE) fuzz-smoke
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# A short run of every fuzz target, when clang is there to build them.
fuzz-smoke:
	@if command -v clang++-14 >/dev/null; then \
	  fuzz/run-fuzzers $(FUZZ_SECONDS) $(BUILD_DIR)-fuzz; \
	else \
	  echo "clang++-14 not found: fuzz smoke skipped"; \
	fi

bench: setup
	cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLYPHON_BENCH=ON -DGLYPHON_TESTS=OFF
	cmake --build $(BUILD_DIR)-bench -j $(JOBS) --target bench

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-fuzz $(BUILD_DIR)-bench
