# A thin wrapper over the CMake presets, which are the list of targets:
# cmake/presets.cmake reads them. `make run` and `make test` do all set-up
# on a Debian machine, installing what is missing (as root).
JOBS ?= $(shell nproc)
DEPS = tools/install-deps.sh
LIST = cmake -P cmake/presets.cmake
# `make dist PRESETS="linux ..."` makes the release files of those presets
# alone, with none of the others' compilers.
PRESETS ?=
release = $(if $(strip $(PRESETS)),echo $(PRESETS),$(LIST) release)
# Where `make install` puts the program and its manual page.
PREFIX ?= /usr/local
VERSION = $(shell sed -n 's/^project.cpubusy VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# $(call build,PRESET[,TARGET...]): configures and builds a preset, quietly.
build = cmake --preset $(1) >/dev/null && \
  cmake --build --preset $(1) -j $(JOBS) $(if $(2),--target $(2)) >/dev/null
# $(call deps,GROUP...,FILTER...): the packages of those groups, then those
# of the presets that the filters pick (cmake comes with the first).
deps = $(DEPS) build $(1) && presets=$$($(LIST) $(2)) && $(DEPS) $$presets

.PHONY: run check test install uninstall roots bench dist windows run-windows fuzz lint clean

# The native build, which is the host's, runs as it is.
run:
	@$(DEPS) build
	@$(call build,linux,cpubusy cpubusy_docs)
	@build/linux/cpubusy

# Everyday work: the native build and its tests, and the same tests with
# AddressSanitizer and UndefinedBehaviorSanitizer, which see an index out of
# range or a shift too far that the plain build may pass by chance.
check:
	@$(DEPS) build
	@$(call build,linux)
	ctest --preset linux
	@$(call build,linux-asan)
	ctest --preset linux-asan

# Every preset, built and tested, in the order of the list; then the quick
# bench, the release files and their checks.
test:
	$(call deps,bench dist reproducible packager)
	@presets=$$($(LIST)) && for preset in $$presets; do \
	  echo "== $$preset"; $(call build,$$preset) && ctest --preset $$preset || exit 1; \
	done
	@$(call build,linux,cpubusy_static)
	bench/bench.py --quick
	$(MAKE) --no-print-directory dist
	tests/check_packages.sh dist $(VERSION)
	tests/check_install.sh
	tests/check_roots.sh
	tests/check_reproducible.sh dist $(VERSION)

# The native program and its manual page under PREFIX (in DESTDIR, where
# given), built with only what they need: no test, cross or Wine package,
# with CXX where it is set, also in a folder built before with another.
# `make uninstall`, with the same PREFIX and DESTDIR, removes them.
install:
	@$(DEPS) install
	@cmake -S . -B build/install -DBUILD_TESTING=OFF \
	  $(if $(filter-out default,$(origin CXX)),-DCMAKE_CXX_COMPILER='$(CXX)') >/dev/null
	@cmake --build build/install -j $(JOBS) >/dev/null
	@DESTDIR='$(DESTDIR)' cmake --install build/install --prefix '$(PREFIX)'

uninstall:
	rm -f '$(DESTDIR)$(PREFIX)/bin/cpubusy' '$(DESTDIR)$(PREFIX)/share/man/man1/cpubusy.1.gz'
	rm -rf '$(DESTDIR)$(PREFIX)/share/doc/cpubusy'

# The plain CMake sequence and make install, as a packager runs them, in
# Debian 11 and Debian 13 roots with only cmake, make, git, a compiler and
# the built GoogleTest (tests/check_roots.sh); `make test` runs it too.
roots:
	@$(DEPS) packager
	tests/check_roots.sh

# Release files in dist/ from every preset that ships, or from PRESETS
# (.deb, .tar.gz and .rpm for Linux, .zip for Windows), the source tarball,
# BUILDINFO (the commit and the versions of the packages that made them)
# and SHA256SUMS. Two runs of one commit with the same packages give the
# same bytes.
dist:
	@$(DEPS) build dist
	@presets=$$($(release)) && shipping=$$($(LIST) release) && for preset in $$presets; do \
	  printf '%s\n' "$$shipping" | grep -qxF -- "$$preset" || \
	    { echo "$$preset ships nothing; these do: $$(echo $$shipping)" >&2; exit 2; }; \
	done && $(DEPS) $$presets
	rm -rf dist
	presets=$$($(release)) && \
	  for preset in $$presets; do $(call build,$$preset,cpubusy_release) || exit 1; done
	cmake/source-tarball dist $(VERSION)
	@packages=$$(find dist -name '*.deb') && [ -z "$$packages" ] || lintian --fail-on error,warning $$packages
	tests/check_hardened.sh $(VERSION) $$(find dist -name '*.deb' -o -name '*.zip')
	cmake/buildinfo $(VERSION) $$(for preset in $$($(release)); do echo build/$$preset; done) >dist/BUILDINFO
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
	@presets=$$($(LIST) Windows) && for preset in $$presets; do \
	  $(call build,$$preset,cpubusy) && echo build/$$preset/cpubusy.exe || exit 1; \
	done

# cpubusy.exe under Wine, through the first runner that can run it here:
# the 32-bit one where this host runs 32-bit programs, else the x64 one.
run-windows: windows
	@presets=$$($(LIST) Windows) && for preset in $$presets; do for runner in build/$$preset/run-*; do \
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
