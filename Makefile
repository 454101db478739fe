# Two entry points: `make test` and `make run`. Both install what is missing first.
BUILD ?= build
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 30
CMAKE_FLAGS ?=

.PHONY: all deps configure build test fuzz run clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2 --timeout 600
	@$(MAKE) --no-print-directory fuzz

fuzz: deps
	@tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

run: build
	@tools/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
