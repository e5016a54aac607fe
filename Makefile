# Entry points for newcomers and CI. Every target installs what it needs
# through scripts/install-deps first.

BUILD       ?= build
FUZZ_BUILD  ?= build-fuzz
BENCH_BUILD ?= build-bench
DEB_BUILD   ?= build-deb
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 300

.PHONY: all deps build test unit-test fuzz-build fuzz-test deb deb-test fuzz bench format demo \
        install clean

all: build

deps:
	scripts/install-deps

# The test build: g++, AddressSanitizer and UndefinedBehaviorSanitizer,
# warnings as errors.
build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DTAVOWATCH_SANITIZE=ON -DTAVOWATCH_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

# The libFuzzer targets need clang; they get a build tree of their own.
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOWATCH_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

unit-test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Each fuzzer runs briefly as a test of its own.
fuzz-test: fuzz-build
	ctest --test-dir $(FUZZ_BUILD) --output-on-failure

# The package as a user gets it: unpacked into a throw-away root, both
# programs started and ended, and Debian's checkers run on it.
deb-test: deb
	scripts/check-deb $(DEB_BUILD)

test: unit-test fuzz-test deb-test

# Runs every fuzzer for FUZZ_SECONDS seconds each: make fuzz FUZZ_SECONDS=3600
fuzz: fuzz-build
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVOWATCH_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	scripts/run-benchmarks $(BENCH_BUILD)

# Starts a local POP3 server with Japanese sample mail and the checker
# against it, on your X11 display.
demo: build
	scripts/demo $(BUILD)

format:
	find src tests fuzz bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Installs tavowatchl (and tavoprefs beside it) under PREFIX, from a
# release build without sanitizers.
PREFIX ?= /usr/local
RELEASE_BUILD ?= build-release
install: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DTAVOWATCH_TESTS=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
	cmake --install $(RELEASE_BUILD) --prefix $(PREFIX)

# The Debian package, built with dpkg-buildpackage from a clean copy of the
# tree in $(DEB_BUILD); prints the path of the .deb.
deb: deps
	JOBS=$(JOBS) scripts/make-deb $(DEB_BUILD)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(RELEASE_BUILD) $(DEB_BUILD)
