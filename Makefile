# Entry points; the build itself is CMake's (see CMakeLists.txt), the Wine set-up is in scripts/.
#   make test    check/install dependencies, configure, build, run all tests under Wine
#   make demo    build everything and run the examples in the qel host program
#   make bench   build and run the benchmarks under Wine
#   make fuzz    build and run a long fuzz run of the form reader: 100,000 inputs (about 20 minutes)
#                with a new seed; QEL_FUZZ_RUNS, QEL_FUZZ_SEED and QEL_FUZZ_LONG_TEXT override that
#                (see tests/fuzz/FuzzTest.cpp)
#   make soak    build and kill 500 writers of an INI file at random moments (a few minutes);
#                QEL_INI_KILLS and QEL_INI_KILL_SEED override that (see tests/persistence/IniFileKillTest.cpp)
#   make screenshots  build and take the pictures in docs/images/
#   make reference    build and write docs/components.md from the class records
#   make package      install the library's package, Debug and Release, into PREFIX (default
#                     $(BUILD)/package)
#   make clean   remove the build tree
# BUILD=dir selects another build tree (relative to this directory or absolute).
# ARGS="..." passes extra arguments to ctest in `make test` (e.g. ARGS="-R persistence").

BUILD ?= build
export BUILD
PREFIX ?= $(BUILD)/package
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test demo bench fuzz soak screenshots reference package clean

all: build

deps:
	@scripts/deps.sh

# Configured once; afterwards `cmake --build` notices changed CMake files and new sources itself.
$(BUILD)/Makefile: | deps
	cmake --preset mingw -B $(BUILD)

build: deps $(BUILD)/Makefile
	cmake --build $(BUILD) -j2

test: build
	scripts/run-tests.sh $(ARGS)

# The demo runs nothing but qel: only qel and the library are built for it.
demo: deps $(BUILD)/Makefile
	$(MAKE) -C $(BUILD) -j2 qel
	scripts/demo.sh

bench: build
	@if [ ! -f $(BUILD)/bench/qelbench.exe ]; then echo "make bench: there are no benchmarks (bench/) yet." >&2; exit 1; fi
	scripts/wine-run.sh $(BUILD)/bench/qelbench.exe

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

# The Debug archives come from $(BUILD), the Release ones from a tree of their own inside it; each
# install adds its configuration to the package, and a program built against it links the archives
# of the configuration it is built in.
LIBRARY_ARCHIVES = qelframework_archive qelsystm_archive
$(BUILD)/release/Makefile: | deps
	cmake --preset mingw -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release

package: deps $(BUILD)/Makefile $(BUILD)/release/Makefile
	$(MAKE) -C $(BUILD) -j2 $(LIBRARY_ARCHIVES)
	$(MAKE) -C $(BUILD)/release -j2 $(LIBRARY_ARCHIVES)
	cmake --install $(BUILD) --prefix $(PREFIX)
	cmake --install $(BUILD)/release --prefix $(PREFIX)

clean:
	@if [ -d $(BUILD)/wineprefix ]; then bash -c 'source scripts/wine-env.sh && qel_session_stop'; fi
	rm -rf $(BUILD)
