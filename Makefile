# A thin wrapper over the CMake presets. `make run` and `make test` do all
# set-up on a Debian machine, installing what is missing (as root).
JOBS ?= $(shell nproc)

.PHONY: run test bench dist windows run-windows fuzz lint clean build-linux build-windows

run: build-linux
	@build/linux/cpubusy

# The tool alone (with its manual page), for each platform.
build-linux:
	@tools/install-deps.sh build
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux --target cpubusy cpubusy_docs -j $(JOBS) >/dev/null

build-windows:
	@tools/install-deps.sh build windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target cpubusy -j $(JOBS) >/dev/null

test:
	tools/install-deps.sh build windows bench dist fuzz
	cmake --preset linux
	cmake --build --preset linux -j $(JOBS)
	ctest --preset linux
	cmake --preset linux-asan
	cmake --build --preset linux-asan -j $(JOBS)
	ctest --preset linux-asan
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	ctest --preset windows
	bench/bench.py --quick
	$(MAKE) --no-print-directory dist
	tests/check_packages.sh dist $(VERSION) build/windows/wineprefix build/windows/wineprefix64

# Release packages in dist/: the Debian package and .tar.gz, and the .zip for Windows.
VERSION = $(shell sed -n 's/^project.cpubusy VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist: build-linux build-windows
	@tools/install-deps.sh dist
	rm -rf dist
	cd build/linux && cpack
	cd build/windows && cpack
	rm -rf dist/_CPack_Packages
	@if command -v lintian >/dev/null; then lintian dist/cpubusy_$(VERSION)_amd64.deb; fi
	@ls -1 dist

# Cost, memory and accuracy of cpubusy beside psutil, mpstat and top.
bench: build-linux build-windows
	@tools/install-deps.sh bench
	bench/bench.py

# cpubusy.exe for 32-bit x86 Windows, and a run of it under Wine.
windows: build-windows
	@echo build/windows/cpubusy.exe

run-windows: windows
	@cmake/wine-run win32 build/windows/wineprefix build/windows/cpubusy.exe

# The /proc/stat reader under libFuzzer for FUZZ_SECONDS (0: until stopped);
# `make test` runs it for 30 s. Inputs it finds stay in build/fuzz/fuzz-corpus.
FUZZ_SECONDS ?= 0
fuzz:
	@tools/install-deps.sh build fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) >/dev/null
	build/fuzz/cpubusy_proc_stat_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=build/fuzz/fuzz-artifacts/ build/fuzz/fuzz-corpus tests/proc_stat_corpus

# Formatting and clang-tidy over our code, cppcheck over the tool's (its
# GoogleTest macros confuse cppcheck). Not run by `make test`.
SOURCES = $(wildcard app/*.cpp app/*.h usage/*.cpp usage/*.h platform/linux/*.cpp \
          platform/linux/*.h platform/linux/include/*.h tests/*.cpp bench/*.cpp)
lint:
	cmake --preset linux >/dev/null
	cmake --preset fuzz >/dev/null
	clang-format --dry-run --Werror $(SOURCES)
	clang-tidy --quiet -p build/linux $(filter-out %_fuzz.cpp,$(filter %.cpp,$(SOURCES)))
	clang-tidy --quiet -p build/fuzz $(filter %_fuzz.cpp,$(SOURCES))
	cppcheck --enable=warning,style,performance,portability --std=c++17 --inline-suppr --quiet \
	  --error-exitcode=1 -I platform/linux/include -I platform/linux -I usage -I app app usage platform

clean:
	rm -rf build dist
