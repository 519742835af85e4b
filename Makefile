# The two set-up commands: `make run` and `make test` install what is missing
# (Debian packages), configure, build, and then start the window or run every test.
BUILD_DIR ?= build
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake --preset $(PRESET)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display: run it under a display server, for example: xvfb-run make run"; exit 1; fi
	$(BUILD_DIR)/src/app/quillet

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
