# Entry points; the build itself is CMake's (see CMakeLists.txt), the Wine set-up is in scripts/.
# Two build trees: i686 (the reference build) in $(BUILD), x86_64 in $(BUILD_X64).
#   make test    check/install dependencies, configure, build both trees, run all tests of both under
#                Wine, then the check that both builds store the same (scripts/cross-build-test.sh)
#   make demo    build qel and run the examples in it ($(BUILD) only; BUILD=build-x64 for the 64-bit one)
#   make bench   build and run the benchmarks under Wine, of both trees
#   make fuzz    build and run a long fuzz run of the form reader: 100,000 inputs (about 20 minutes)
#                with a new seed; QEL_FUZZ_RUNS, QEL_FUZZ_SEED and QEL_FUZZ_LONG_TEXT override that
#                (see tests/fuzz/FuzzTest.cpp)
#   make soak    build and kill 500 writers of an INI file at random moments (a few minutes);
#                QEL_INI_KILLS and QEL_INI_KILL_SEED override that (see tests/persistence/IniFileKillTest.cpp)
#   make screenshots  build and take the pictures in docs/images/
#   make reference    build and write docs/components.md from the class records
#   make package      install the library's package, both architectures, Debug and Release, into
#                     PREFIX (default $(BUILD)/package)
#   make clean   remove both build trees
# BUILD=dir selects another i686 tree (relative to this directory or absolute), BUILD_X64=dir another
# x86_64 one (default: the i686 tree's name with -x64). The targets that work on one tree (demo, fuzz,
# soak, screenshots, reference) take $(BUILD); a tree whose name ends in -x64 is configured for x86_64.
# ARGS="..." passes extra arguments to ctest in `make test` (e.g. ARGS="-R persistence").

BUILD ?= build
BUILD_X64 ?= $(patsubst %/,%,$(BUILD))-x64
export BUILD
PREFIX ?= $(BUILD)/package
MAKEFLAGS += --no-print-directory

# The preset of tree $(1): x86_64 for a name ending in -x64, else i686.
preset = $(if $(filter %-x64,$(patsubst %/,%,$(1))),mingw-x64,mingw)

.PHONY: all deps build test demo bench fuzz soak screenshots reference package clean

all: build

deps:
	@scripts/deps.sh

# Configured once; afterwards `cmake --build` notices changed CMake files and new sources itself.
$(BUILD)/Makefile: | deps
	cmake --preset $(call preset,$(BUILD)) -B $(BUILD)

$(BUILD_X64)/Makefile: | deps
	cmake --preset mingw-x64 -B $(BUILD_X64)

build: deps $(BUILD)/Makefile $(BUILD_X64)/Makefile
	cmake --build $(BUILD) -j2
	cmake --build $(BUILD_X64) -j2

# Each tree has its own Wine session (prefix, server, display), so the two suites run side by side;
# each one's output is shown when it is done. Then the programs of both trees meet in one prefix.
test: build
	@status=0; \
	scripts/run-tests.sh $(ARGS) >$(BUILD)/test.log 2>&1 & i686=$$!; \
	BUILD=$(BUILD_X64) scripts/run-tests.sh $(ARGS) >$(BUILD_X64)/test.log 2>&1 & x64=$$!; \
	wait $$i686 || status=1; echo "== i686 ($(BUILD))"; cat $(BUILD)/test.log; \
	wait $$x64 || status=1; echo "== x86_64 ($(BUILD_X64))"; cat $(BUILD_X64)/test.log; \
	echo "== What one build stores, the other reads"; \
	scripts/cross-build-test.sh $(BUILD) $(BUILD_X64) || status=1; \
	exit $$status

# The demo runs nothing but qel: only qel and the library are built for it.
demo: deps $(BUILD)/Makefile
	$(MAKE) -C $(BUILD) -j2 qel
	scripts/demo.sh

bench: build
	@echo "== i686 ($(BUILD))"
	scripts/wine-run.sh $(BUILD)/bench/qelbench.exe
	@echo "== x86_64 ($(BUILD_X64))"
	BUILD=$(BUILD_X64) scripts/wine-run.sh $(BUILD_X64)/bench/qelbench.exe

fuzz: build
	QEL_FUZZ_RUNS=$${QEL_FUZZ_RUNS:-100000} QEL_FUZZ_SEED=$${QEL_FUZZ_SEED:-$$(date +%s)} \
	  QEL_FUZZ_LONG_TEXT=$${QEL_FUZZ_LONG_TEXT:-200000} scripts/wine-run.sh $(BUILD)/tests/test_fuzz.exe

soak: build
	QEL_INI_KILLS=$${QEL_INI_KILLS:-500} scripts/wine-run.sh $(BUILD)/tests/test_persistence.exe \
	  --gtest_filter='IniFileKills.*'

screenshots: build
	scripts/screenshots.sh

reference: build
	./qel reference docs/components.md

# The Debug archives of each architecture come from its tree, the Release ones from a tree of their
# own inside it; each install adds its architecture and configuration to the package, and a program
# built against it links the archives of its toolchain's architecture and of its configuration.
LIBRARY_ARCHIVES = qelframework_archive qelsystm_archive
$(BUILD)/release/Makefile: | deps
	cmake --preset $(call preset,$(BUILD)) -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release

$(BUILD_X64)/release/Makefile: | deps
	cmake --preset mingw-x64 -B $(BUILD_X64)/release -DCMAKE_BUILD_TYPE=Release

package: deps $(BUILD)/Makefile $(BUILD)/release/Makefile $(BUILD_X64)/Makefile $(BUILD_X64)/release/Makefile
	@for tree in $(BUILD) $(BUILD)/release $(BUILD_X64) $(BUILD_X64)/release; do \
	  $(MAKE) -C $$tree -j2 $(LIBRARY_ARCHIVES) && cmake --install $$tree --prefix $(PREFIX) || exit 1; \
	done

clean:
	@for tree in $(BUILD) $(BUILD_X64); do \
	  if [ -d $$tree/wineprefix ]; then BUILD=$$tree bash -c 'source scripts/wine-env.sh && qel_session_stop'; fi; \
	  rm -rf $$tree; \
	done
