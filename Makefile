# The two set-up commands: `make run` and `make test` install what is missing
# (Debian packages), configure, build, and then start the window or run every test.
BUILD_DIR ?= build
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test screenshots startup fuzz clean

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
	$(BUILD_DIR)/src/qt/quillet

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# dist/Quillet.exe: the Win32 window for Windows XP SP3 to 11, one 32-bit
# statically linked file, and dist/quillet-modify.exe, the command line, built
# the same way; both checked against XP's exports; see scripts/windows-dist.sh.
.PHONY: windows
windows:
	@JOBS=$(JOBS) scripts/windows-dist.sh

# The Qt-free core and its tests cross-built for 64-bit Windows, and the 32-bit
# Quillet.exe with the core and window tests, all run under Wine (the window
# tests in a virtual X display); see scripts/test-windows.sh.
.PHONY: test-windows
test-windows:
	@JOBS=$(JOBS) scripts/test-windows.sh

# One PNG of each page of the Win32 window, drawn under Wine in a virtual X
# display, into build-win32/screenshots.
.PHONY: screenshots-windows
screenshots-windows:
	@JOBS=$(JOBS) scripts/screenshots-windows.sh build-win32/screenshots

# Start-up of Quillet.exe against a bare Win32 window with one label and one
# button, both under Wine: medians and ratio of launch to first paint over
# STARTUP_RUNS alternating launches.
.PHONY: startup-windows
startup-windows:
	@JOBS=$(JOBS) bench/startup-windows.sh $(STARTUP_RUNS)

# One PNG of each page of the window, drawn on the offscreen platform (no display
# needed), into $(BUILD_DIR)/screenshots, and the same on a dark desktop in its
# dark/ subfolder. Then the same in each face of SCREENSHOT_FACES (faces that a
# system without the named ones falls back on; "-" for a space), each in a
# subfolder of that name.
SCREENSHOT_FACES ?= Liberation-Sans DejaVu-Sans
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tests/qt/quillet_screenshots $(BUILD_DIR)/screenshots
	@for face in $(SCREENSHOT_FACES); do \
	  echo "QUILLET_FONT=$$face"; \
	  QT_QPA_PLATFORM=offscreen QUILLET_FONT="$$(echo "$$face" | tr - ' ')" \
	    $(BUILD_DIR)/tests/qt/quillet_screenshots $(BUILD_DIR)/screenshots/$$face || exit 1; \
	done

# Start-up against a bare Qt window: medians and ratios of the time to first
# paint and of the peak memory over STARTUP_RUNS alternating launches.
STARTUP_RUNS ?= 20
startup: build
	bench/startup.sh $(BUILD_DIR) $(STARTUP_RUNS)

# Builds the profile-file fuzz target with clang and runs it for FUZZ_SECONDS;
# the corpus it grows stays in the fuzz build folder.
FUZZ_SECONDS ?= 20
FUZZ_DIR ?= build-fuzz
fuzz:
	@command -v clang++ >/dev/null || { echo "make fuzz needs clang (apt-get install clang)"; exit 1; }
	@test -f $(FUZZ_DIR)/CMakeCache.txt || cmake --preset fuzz -B $(FUZZ_DIR)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target profile_file_fuzz
	@mkdir -p $(FUZZ_DIR)/corpus
	$(FUZZ_DIR)/fuzz/profile_file_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
	  $(FUZZ_DIR)/corpus fuzz/seeds tests/data/profile

clean:
	rm -rf $(BUILD_DIR)
