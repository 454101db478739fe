# Two entry points: `make test` and `make run`. Both install what is missing first; `make build`
# alone never calls the package manager.
BUILD ?= build
SANITIZE_BUILD ?= build/sanitize
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 30
JOBS ?= $(shell nproc)
WERROR ?= OFF
CMAKE_FLAGS ?=
# Where `make install` puts the programs; DESTDIR, when given, is put in front of it (staging).
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build test check check-install sanitize fuzz format run install \
        package clean

all: build

deps:
	@tools/install-deps.sh

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DMORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Every test: the whole suite, the install rules (the build installed into a temporary root and
# started from there), the source checks, the core's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets for a bounded time.
test: deps
	@$(MAKE) --no-print-directory build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600
	@$(MAKE) --no-print-directory check-install check sanitize fuzz

check-install:
	@tools/check-install.sh $(BUILD)

# The source checks: the include layers and the committed format.
check:
	@tools/check-format.sh

# The core (platform, settings, engine, command line) and its tests under the sanitizers.
sanitize:
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DMORVANEX_WERROR=$(WERROR) -DMORVANEX_BUILD_GUI=OFF \
	  -DMORVANEX_BUILD_BENCH=OFF -DMORVANEX_SANITIZE=address,undefined >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

fuzz:
	@tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Rewrites every source file in the committed format.
format:
	@tools/check-format.sh --fix

# The programs, the help, the desktop entry, icons, job file types and the manual page under
# PREFIX (default /usr/local); builds the programs first, not the tests.
install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target programs
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of the same files under /usr (morvanex_VERSION_ARCH.deb in the build folder),
# its library dependencies worked out by dpkg-shlibdeps, checked by lintian: an error fails the
# package, the warnings that remain are listed with their reasons in the README. Install it with
# `apt install ./build/morvanex_VERSION_ARCH.deb`.
package: deps configure
	@cmake --build $(BUILD) -j $(JOBS) --target programs
	@rm -f $(BUILD)/morvanex_*.deb
	@cd $(BUILD) && cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
	@lintian --fail-on error $(BUILD)/morvanex_*.deb
	@ls $(BUILD)/morvanex_*.deb

run: deps
	@$(MAKE) --no-print-directory build
	@tools/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
