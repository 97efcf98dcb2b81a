# A thin wrapper over the CMake presets. `make run` and `make test` do all
# set-up on a Debian machine, installing what is missing (as root).
JOBS ?= $(shell nproc)
# Every preset that `make test` builds and tests, in this order: the native
# build, its sanitizer and fuzz builds, Windows under Wine, and Linux on
# other architectures under qemu-user.
CROSS_PRESETS = linux-arm64 linux-armhf linux-i386 linux-s390x
TEST_PRESETS = linux linux-asan fuzz windows windows-x64 $(CROSS_PRESETS)
WINDOWS_PRESETS = windows windows-x64
# What `make dist` packages, besides Windows: the native build, then these.
DIST_CROSS_PRESETS = linux-arm64 linux-armhf

.PHONY: run check test bench dist windows run-windows fuzz lint clean build-linux build-windows

run: build-linux
	@build/linux/cpubusy

# The tool alone (with its manual page), for each platform.
build-linux:
	@tools/install-deps.sh build
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux --target cpubusy cpubusy_docs -j $(JOBS) >/dev/null

build-windows:
	@tools/install-deps.sh build windows
	@for preset in $(WINDOWS_PRESETS); do \
	  cmake --preset $$preset >/dev/null && \
	  cmake --build --preset $$preset --target cpubusy -j $(JOBS) >/dev/null || exit 1; \
	done

# Everyday work: the native build and its tests, nothing else.
check:
	@tools/install-deps.sh build
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j $(JOBS) >/dev/null
	ctest --preset linux

test:
	tools/install-deps.sh build windows cross bench dist fuzz reproducible
	@for preset in $(TEST_PRESETS); do \
	  echo "== $$preset"; \
	  cmake --preset $$preset && cmake --build --preset $$preset -j $(JOBS) && \
	  ctest --preset $$preset || exit 1; \
	done
	bench/bench.py --quick
	$(MAKE) --no-print-directory dist
	tests/check_packages.sh dist $(VERSION)
	tests/check_reproducible.sh dist $(VERSION)

# Release packages in dist/: the Debian packages and .tar.gz for amd64,
# arm64 and armhf, a .zip for each Windows build, the source tarball, and
# SHA256SUMS. Two runs of one commit give the same bytes.
VERSION = $(shell sed -n 's/^project.cpubusy VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist:
	@tools/install-deps.sh build windows cross dist
	rm -rf dist
	for preset in linux $(DIST_CROSS_PRESETS) $(WINDOWS_PRESETS); do \
	  cmake --preset $$preset >/dev/null && \
	  cmake --build --preset $$preset --target cpubusy_release -j $(JOBS) >/dev/null || exit 1; \
	done
	@# The source tarball: the commit's tracked files, with no setting of this
	@# machine's or user's git (umask, line ends, attributes) in the way.
	@if [ "$$(git rev-parse --show-toplevel 2>/dev/null)" = "$$(pwd -P)" ]; then \
	  if [ -s "$$(git rev-parse --git-path info/attributes)" ]; then \
	    echo "$$(git rev-parse --git-path info/attributes) would change the source tarball" >&2; exit 1; fi; \
	  GIT_ATTR_NOSYSTEM=1 git -c core.attributesFile=/dev/null -c tar.umask=0022 \
	    -c core.autocrlf=false archive --format=tar --prefix=cpubusy-$(VERSION)/ \
	    -o dist/cpubusy-$(VERSION).tar HEAD && \
	  gzip -9n dist/cpubusy-$(VERSION).tar || exit 1; \
	else echo "not a git checkout: no source tarball"; fi
	lintian dist/*.deb
	tests/check_hardened.sh $(VERSION) dist/*.deb dist/*.zip
	cd dist && export LC_ALL=C && sha256sum -- * >SHA256SUMS
	@ls -1 dist

# Cost, memory and accuracy of cpubusy beside psutil, mpstat and top.
bench: build-linux build-windows
	@tools/install-deps.sh bench
	bench/bench.py

# cpubusy.exe for 32-bit x86 Windows and for x64 Windows.
windows: build-windows
	@echo build/windows/cpubusy.exe; echo build/windows-x64/cpubusy.exe

# The 32-bit cpubusy.exe under Wine, or the x64 one where this host cannot
# run 32-bit programs.
run-windows: windows
	@if build/windows/run-win32 --probe >/dev/null; then build/windows/run-win32 build/windows/cpubusy.exe; \
	else build/windows-x64/run-win64 build/windows-x64/cpubusy.exe; fi

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
          platform/linux/*.h platform/linux/include/*.h tests/*.cpp tests/*.h)
lint:
	@tools/install-deps.sh build fuzz lint
	cmake --preset linux >/dev/null
	cmake --preset fuzz >/dev/null
	clang-format --dry-run --Werror $(SOURCES)
	clang-tidy --quiet -p build/linux $(filter-out %_fuzz.cpp,$(filter %.cpp,$(SOURCES)))
	clang-tidy --quiet -p build/fuzz $(filter %_fuzz.cpp,$(SOURCES))
	cppcheck --enable=warning,style,performance,portability --std=c++17 --inline-suppr --quiet \
	  --error-exitcode=1 -I platform/linux/include -I platform/linux -I usage -I app app usage platform

clean:
	rm -rf build dist
