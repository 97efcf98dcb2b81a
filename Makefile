# A thin wrapper over the CMake presets, which are the list of targets:
# cmake/presets.cmake reads them. `make run` and `make test` do all set-up
# on a Debian machine, installing what is missing (as root).
JOBS ?= $(shell nproc)
DEPS = tools/install-deps.sh
PRESETS = cmake -P cmake/presets.cmake
VERSION = $(shell sed -n 's/^project.cpubusy VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# $(call build,PRESET[,TARGET...]): configures and builds a preset, quietly.
build = cmake --preset $(1) >/dev/null && \
  cmake --build --preset $(1) -j $(JOBS) $(if $(2),--target $(2)) >/dev/null
# $(call deps,GROUP...,FILTER...): the packages of those groups, then those
# of the presets that the filters pick (cmake comes with the first).
deps = $(DEPS) build $(1) && presets=$$($(PRESETS) $(2)) && $(DEPS) $$presets

.PHONY: run check test bench dist windows run-windows fuzz lint clean

# The native build, which is the host's, runs as it is.
run:
	@$(DEPS) build
	@$(call build,linux,cpubusy cpubusy_docs)
	@build/linux/cpubusy

# Everyday work: the native build and its tests, nothing else.
check:
	@$(DEPS) build
	@$(call build,linux)
	ctest --preset linux

# Every preset, built and tested, in the order of the list; then the quick
# bench, the release files and their checks.
test:
	$(call deps,bench dist reproducible)
	@presets=$$($(PRESETS)) && for preset in $$presets; do \
	  echo "== $$preset"; $(call build,$$preset) && ctest --preset $$preset || exit 1; \
	done
	@$(call build,linux,cpubusy_static)
	bench/bench.py --quick
	$(MAKE) --no-print-directory dist
	tests/check_packages.sh dist $(VERSION)
	tests/check_reproducible.sh dist $(VERSION)

# Release files in dist/ from every preset that ships (.deb and .tar.gz for
# Linux, .zip for Windows), the source tarball and SHA256SUMS. Two runs of
# one commit give the same bytes.
dist:
	@$(call deps,dist,release)
	rm -rf dist
	presets=$$($(PRESETS) release) && \
	  for preset in $$presets; do $(call build,$$preset,cpubusy_release) || exit 1; done
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
bench: windows
	@$(DEPS) bench
	@$(call build,linux,cpubusy cpubusy_static)
	bench/bench.py

# cpubusy.exe for each Windows preset.
windows:
	@$(call deps,,Windows)
	@presets=$$($(PRESETS) Windows) && for preset in $$presets; do \
	  $(call build,$$preset,cpubusy) && echo build/$$preset/cpubusy.exe || exit 1; \
	done

# cpubusy.exe under Wine, through the first runner that can run it here:
# the 32-bit one where this host runs 32-bit programs, else the x64 one.
run-windows: windows
	@presets=$$($(PRESETS) Windows) && for preset in $$presets; do for runner in build/$$preset/run-*; do \
	  if $$runner --probe >/dev/null; then exec $$runner build/$$preset/cpubusy.exe; fi; \
	done; done; echo "no runner can run cpubusy.exe on this host" >&2; exit 1

# The fuzz test (the /proc/stat reader under libFuzzer) for FUZZ_SECONDS
# (0: until stopped); `make test` runs it for 30 s. Inputs it finds stay in
# build/fuzz/fuzz-corpus.
FUZZ_SECONDS ?= 0
fuzz:
	@$(DEPS) build fuzz
	@cmake --preset fuzz -DCPUBUSY_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) >/dev/null
	ctest --preset fuzz

# Formatting, clang-tidy and cppcheck over our C++ (cppcheck over the
# tool's alone: GoogleTest's macros confuse it), shellcheck over every shell
# script, the build's runners among them, and flake8 over every Python one.
# Not run by `make test`.
SOURCES = $(wildcard app/*.cpp app/*.h usage/*.cpp usage/*.h platform/linux/*.cpp \
          platform/linux/*.h platform/linux/include/*.h tests/*.cpp tests/*.h)
SCRIPTS = find . -path ./build -prune -o -path ./dist -prune -o -path ./.git -prune -o -type f
lint:
	@$(DEPS) build lint fuzz
	cmake --preset linux >/dev/null
	cmake --preset fuzz >/dev/null
	clang-format --dry-run --Werror $(SOURCES)
	clang-tidy --quiet -p build/linux $(filter-out %_fuzz.cpp,$(filter %.cpp,$(SOURCES)))
	clang-tidy --quiet -p build/fuzz $(filter %_fuzz.cpp,$(SOURCES))
	cppcheck --enable=warning,style,performance,portability --std=c++17 --inline-suppr --quiet \
	  --error-exitcode=1 -I platform/linux/include -I platform/linux -I usage -I app app usage platform
	shellcheck $$($(SCRIPTS) -exec grep -lE '^#!/(usr/)?bin/(env )?(ba)?sh' {} +) build/*/run-*
	flake8 $$($(SCRIPTS) -name '*.py' -print)

clean:
	rm -rf build dist
