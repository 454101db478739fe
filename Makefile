# Two entry points: `make test` and `make run`. Each installs what it needs first
# (tools/install-deps.sh: `run` the build's and the program's packages; `test` adds the tests',
# the fuzz targets' and the file-system matrix's; `package` adds the Debian package's tools);
# `make build` alone never calls the package manager.
BUILD ?= build
SANITIZE_BUILD ?= build/sanitize
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 30
JOBS ?= $(shell nproc)
# ON or OFF when given; otherwise a configured build keeps what it was configured with (a
# change of it rebuilds everything).
WERROR ?=
CMAKE_FLAGS ?=
# Where `make install` puts the programs; DESTDIR, when given, is put in front of it (staging).
PREFIX ?= /usr/local
DESTDIR ?=
# The core's layers whose tests run again under the sanitizers (CTest labels).
CORE_LABELS = ^(platform|settings|engine|cli)$$

.PHONY: all deps deps-run deps-test deps-package configure build programs test check \
        check-install sanitize fuzz format run install package clean

all: build

deps: deps-test
deps-run:
	@tools/install-deps.sh run
deps-test:
	@tools/install-deps.sh test
deps-package:
	@tools/install-deps.sh package

WERROR_FLAG = $(if $(WERROR),-DMORVANEX_WERROR=$(WERROR))

# The tests are configured when GoogleTest is installed (`make test` asks for them outright).
configure:
	@cmake -S . -B $(BUILD) -G Ninja $(WERROR_FLAG) $(CMAKE_FLAGS) >/dev/null

# Everything: the programs, the tests, the benchmarks, each header of src/ on its own.
build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The two programs and the manual page only.
programs: configure
	@cmake --build $(BUILD) -j $(JOBS) --target programs

# Every test: the whole suite (the layer check among it), the install rules (the build
# installed into a temporary root and started from there), the source checks, the core's tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a bounded time.
test: deps-test
	@$(MAKE) --no-print-directory build CMAKE_FLAGS="-DMORVANEX_BUILD_TESTS=ON $(CMAKE_FLAGS)"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600
	@$(MAKE) --no-print-directory check-install check sanitize fuzz

check-install:
	@tools/check-install.sh $(BUILD)

# The source checks: the include layers, read from what the compiler opened (so what they
# need is built first), and the committed format.
check: configure
	@cmake --build $(BUILD) -j $(JOBS) --target morvanex_layers
	@tools/check-layers.sh $(BUILD)
	@tools/check-format.sh

# The core (platform, settings, engine, command line) and its tests under the sanitizers: only
# the test programs and what they run are built, at -O1 as the sanitizers advise.
sanitize:
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja $(WERROR_FLAG) -DMORVANEX_BUILD_GUI=OFF \
	  -DMORVANEX_BUILD_BENCH=OFF -DMORVANEX_BUILD_TESTS=ON -DMORVANEX_SANITIZE=address,undefined \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target morvanex_test_programs
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900 -L '$(CORE_LABELS)'

fuzz:
	@tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Rewrites every source file in the committed format.
format:
	@tools/check-format.sh --fix

# The programs, the help, the desktop entry, icons, job file types and the manual page under
# PREFIX (default /usr/local); builds the programs first, not the tests.
install: programs
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of the same files under /usr (morvanex_VERSION_ARCH.deb in the build folder),
# its library dependencies worked out by dpkg-shlibdeps, checked by lintian: an error fails the
# package, the warnings that remain are listed with their reasons in the README. Install it with
# `apt install ./build/morvanex_VERSION_ARCH.deb`.
package: deps-package
	@$(MAKE) --no-print-directory programs
	@rm -f $(BUILD)/morvanex_*.deb
	@cd $(BUILD) && cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
	@lintian --fail-on error $(BUILD)/morvanex_*.deb
	@ls $(BUILD)/morvanex_*.deb

# Installs what the program needs, builds the programs (not the tests) and starts the window.
run: deps-run
	@$(MAKE) --no-print-directory programs
	@tools/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
